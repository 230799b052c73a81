#include "lyrics/LyricText.h"

std::string ConvertPlainLyrics(std::string_view text)
{
    std::string withCrLf;
    withCrLf.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) withCrLf.push_back('\r');
        withCrLf.push_back(text[i]);
    }
    return withCrLf;
}

std::string TextModeLineEnds(std::span<const uint8_t> bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        out.push_back(static_cast<char>(bytes[i]));
    }
    return out;
}

std::vector<std::string> SplitAtSpaces(std::string_view text)
{
    std::vector<std::string> words;
    size_t p = 0;
    while (p < text.size()) {
        const size_t space = text.find(' ', p);
        const size_t end = space == std::string_view::npos ? text.size() : space;
        if (end > p) words.emplace_back(text.substr(p, end - p));
        p = end + 1;
    }
    return words;
}
