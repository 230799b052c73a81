#include "cli/CliNumbers.h"

namespace {

constexpr int kMaxSecondDigits = 8;
constexpr int kMaxDecimals = 6;
constexpr size_t kMaxCountDigits = 12;
constexpr size_t kMaxIntDigits = 9;

} // namespace

std::optional<uint64_t> ParseMicroseconds(const std::string& text)
{
    uint64_t whole = 0, fraction = 0;
    int wholeDigits = 0, decimals = 0;
    size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++wholeDigits) {
        whole = whole * 10 + uint64_t(text[i] - '0');
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++decimals) {
            fraction = fraction * 10 + uint64_t(text[i] - '0');
        }
    }
    if (i != text.size() || wholeDigits + decimals == 0 || wholeDigits > kMaxSecondDigits || decimals > kMaxDecimals) {
        return std::nullopt;
    }
    for (int d = decimals; d < kMaxDecimals; ++d) fraction *= 10;
    return whole * kMicrosPerSecond + fraction;
}

std::optional<uint64_t> ParseCount(const std::string& text)
{
    if (text.empty() || text.size() > kMaxCountDigits) return std::nullopt;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + uint64_t(c - '0');
    }
    return v;
}

std::optional<int> ParseInt(const std::string& text, int low, int high)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size() || text.size() - i > kMaxIntDigits) return std::nullopt;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        v = v * 10 + (text[i] - '0');
    }
    if (negative) v = -v;
    if (v < low || v > high) return std::nullopt;
    return int(v);
}
