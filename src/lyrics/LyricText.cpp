#include "lyrics/LyricText.h"

#include "text/Cp1252.h"

namespace {

constexpr unsigned char kPunctuationLead = 0xE2;

// The Windows-1252 byte for the third byte of an 0xE2 sequence, or 0 when there is none.
unsigned char PunctuationByte(unsigned char third)
{
    switch (third) {
    case 0x93: return 0x96; // en dash
    case 0x99: return 0x92; // right single quote
    case 0x9C: return 0x93; // left double quote
    case 0x9D: return 0x94; // right double quote
    case 0xA6: return 0x85; // ellipsis
    default: return 0;
    }
}

} // namespace

std::string ReplaceUtf8Punctuation(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // Only a real three-byte sequence: "â" before other letters is a Windows-1252 word.
        if (c == kPunctuationLead && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80) {
            const auto third = static_cast<unsigned char>(text[i + 2]);
            const unsigned char mapped = PunctuationByte(third);
            if (mapped) {
                out.push_back(static_cast<char>(mapped));
            } else {
                out.push_back(static_cast<char>(kPunctuationLead));
                out.push_back(static_cast<char>(0x80));
                out.push_back(static_cast<char>(third));
            }
            i += 2;
            continue;
        }
        out.push_back(text[i]);
    }
    return out;
}

bool HasUtf16LeMark(std::span<const uint8_t> bytes)
{
    return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
}

std::string Utf16LeToCp1252(std::span<const uint8_t> bytes)
{
    std::string utf8;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = char16_t(bytes[i] | (bytes[i + 1] << 8));
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            utf8.push_back('?'); // outside the 1252 repertoire in any case
            if (unit < 0xDC00 && i + 3 < bytes.size()) i += 2;
            continue;
        }
        AppendUtf8(utf8, unit);
    }
    return Utf8ToCp1252(utf8);
}

std::string ConvertPlainLyrics(std::string_view text)
{
    std::string withCrLf;
    withCrLf.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) withCrLf.push_back('\r');
        withCrLf.push_back(text[i]);
    }
    return ReplaceUtf8Punctuation(withCrLf);
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
