#include "text/Utf8.h"

#include <cstdio>

#include "text/Cp1252.h"

namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;
constexpr char32_t kSurrogateFirst = 0xD800;
constexpr char32_t kSurrogateLast = 0xDFFF;

} // namespace

size_t DecodeUtf8At(std::string_view text, size_t i, char32_t& cp)
{
    if (i >= text.size()) return 0;
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t extra = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) extra = 1, cp = lead & 0x1F, min = 0x80;
    else if ((lead & 0xF0) == 0xE0) extra = 2, cp = lead & 0x0F, min = 0x800;
    else if ((lead & 0xF8) == 0xF0) extra = 3, cp = lead & 0x07, min = 0x10000;
    else return 0;
    if (i + extra >= text.size()) return 0;
    for (size_t k = 1; k <= extra; ++k) {
        const auto cont = static_cast<unsigned char>(text[i + k]);
        if ((cont & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cont & 0x3F);
    }
    if (cp < min || cp > kMaxCodePoint || (cp >= kSurrogateFirst && cp <= kSurrogateLast)) return 0;
    return extra + 1;
}

size_t NextCodePoint(std::string_view text, size_t i, char32_t& cp)
{
    if (const size_t n = DecodeUtf8At(text, i, cp)) return n;
    cp = Cp1252ToCodePoint(static_cast<unsigned char>(text[i]));
    return 1;
}

bool IsValidUtf8(std::string_view text)
{
    char32_t cp = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t n = DecodeUtf8At(text, i, cp);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string ToValidUtf8(std::string_view bytes)
{
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (size_t i = 0; i < bytes.size();) {
        char32_t cp = 0;
        const size_t n = NextCodePoint(bytes, i, cp);
        AppendUtf8(out, cp);
        i += n;
    }
    return out;
}

bool FitsCp1252(std::string_view utf8)
{
    size_t ascii = 0;
    while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) ++ascii;
    for (size_t i = ascii; i < utf8.size();) {
        char32_t cp = 0;
        i += NextCodePoint(utf8, i, cp);
        if (CodePointToCp1252(cp) < 0) return false;
    }
    return true;
}

size_t CodePointCount(std::string_view text)
{
    size_t count = 0;
    char32_t cp = 0;
    for (size_t i = 0; i < text.size(); ++count) i += NextCodePoint(text, i, cp);
    return count;
}

std::string CodePointName(char32_t cp)
{
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", unsigned(cp));
    return name;
}

std::string Utf8ToCp1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const size_t n = DecodeUtf8At(text, i, cp);
        if (n == 0) { // not UTF-8: keep the byte
            out.push_back(text[i++]);
            continue;
        }
        const int b = CodePointToCp1252(cp);
        out.push_back(b < 0 ? '?' : static_cast<char>(b));
        i += n;
    }
    return out;
}
