#include "text/TextEncoding.h"

#include <cstdio>
#include <string>

#include "text/Cp1252.h"

namespace {

constexpr uint8_t kUtf8Mark[] = {0xEF, 0xBB, 0xBF};
constexpr uint8_t kUtf16LeMark[] = {0xFF, 0xFE};
constexpr uint8_t kUtf16BeMark[] = {0xFE, 0xFF};
constexpr char32_t kMaxCodePoint = 0x10FFFF;
constexpr char32_t kSurrogateFirst = 0xD800;
constexpr char32_t kSurrogateLast = 0xDFFF;
constexpr char32_t kLowSurrogateFirst = 0xDC00;
constexpr char kUnknown = '?';

template <size_t N>
bool StartsWith(std::span<const uint8_t> bytes, const uint8_t (&mark)[N])
{
    if (bytes.size() < N) return false;
    for (size_t i = 0; i < N; ++i)
        if (bytes[i] != mark[i]) return false;
    return true;
}

// The code point of the UTF-8 sequence at text[i] and its length; 0 when it is not a
// well-formed sequence.
size_t DecodeOne(std::string_view text, size_t i, char32_t& cp)
{
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

// The Windows-1252 byte of a code point, or -1.
int Cp1252ByteOf(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return int(cp);
    for (unsigned b = 0x80; b < 0xA0; ++b)
        if (Cp1252ToCodePoint(static_cast<unsigned char>(b)) == cp && cp >= 0x100) return int(b);
    return -1;
}

// Latin letters with marks (Latin Extended-A and -B, Latin Extended Additional) and their base
// letters, run by run: the letter for code point first + i is letters[i]. Made from the Unicode
// decompositions, with the few letters that have none (such as "\u0142") by their look.
struct LetterRun {
    char32_t first;
    const char* letters;
};
constexpr LetterRun kBaseLetters[] = {
    {0x0100, "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi"},
    {0x0134, "JjKkkLlLlLlLlLlNnNnNnnNnOoOoOo"},
    {0x0154, "RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZz"},
    {0x0180, "b"},
    {0x0189, "D"},
    {0x0197, "I"},
    {0x01A0, "Oo"},
    {0x01AF, "Uu"},
    {0x01B5, "Zz"},
    {0x01CD, "AaIiOoUuUuUuUuUu"},
    {0x01DE, "AaAa"},
    {0x01E6, "GgKkOoOo"},
    {0x01F0, "j"},
    {0x01F4, "Gg"},
    {0x01F8, "NnAa"},
    {0x0200, "AaAaEeEeIiIiOoOoRrRrUuUuSsTt"},
    {0x021E, "Hh"},
    {0x0226, "AaEeOoOoOoOoYy"},
    {0x1E00, "AaBbBbBbCcDdDdDdDdDdEeEeEeEeEeFfGgHhHhHhHhHhIiIiKkKkKkLlLlLlLlMmMmMmNnNnNnNnOoOoOoOoPpPpRrRrRrRrSsSsSsSsSsTtTtTtTtUuUuUuUuUuVvVvWwWwWwWwWwXxXxYyZzZzZzhtwy"},
    {0x1EA0, "AaAaAaAaAaAaAaAaAaAaAaAaEeEeEeEeEeEeEeEeIiIiOoOoOoOoOoOoOoOoOoOoOoOoUuUuUuUuUuUuUuYyYyYyYy"},
};

// The base letter of a Latin letter with marks ("\u0142" to "l"), or "?".
char NearestLetter(char32_t cp)
{
    for (const LetterRun& run : kBaseLetters) {
        const size_t length = std::char_traits<char>::length(run.letters);
        if (cp >= run.first && cp < run.first + length) return run.letters[cp - run.first];
    }
    return kUnknown;
}

void AppendCodePoint(DecodedText& decoded, char32_t cp, size_t line)
{
    const int b = Cp1252ByteOf(cp);
    if (b >= 0) {
        decoded.text.push_back(static_cast<char>(b));
        return;
    }
    std::string original;
    AppendUtf8(original, cp);
    const char replacement = NearestLetter(cp);
    decoded.text.push_back(replacement);
    decoded.replaced.push_back({line, original, replacement});
}

DecodedText Utf16ToCp1252(std::span<const uint8_t> bytes, bool bigEndian)
{
    DecodedText decoded;
    decoded.encoding = bigEndian ? TextEncodingKind::Utf16Be : TextEncodingKind::Utf16Le;
    auto unitAt = [&](size_t i) {
        return bigEndian ? char32_t(bytes[i] << 8 | bytes[i + 1]) : char32_t(bytes[i] | bytes[i + 1] << 8);
    };
    size_t line = 1;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        char32_t cp = unitAt(i);
        if (cp >= kSurrogateFirst && cp <= kSurrogateLast) {
            const bool paired = cp < kLowSurrogateFirst && i + 3 < bytes.size() && unitAt(i + 2) >= kLowSurrogateFirst &&
                                unitAt(i + 2) <= kSurrogateLast;
            if (paired) {
                cp = 0x10000 + ((cp - kSurrogateFirst) << 10) + (unitAt(i + 2) - kLowSurrogateFirst);
                i += 2;
            } else {
                cp = 0xFFFD;
            }
        }
        AppendCodePoint(decoded, cp, line);
        if (cp == '\n') ++line;
    }
    return decoded;
}

} // namespace

bool IsValidUtf8(std::string_view text)
{
    char32_t cp = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t n = DecodeOne(text, i, cp);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

DecodedText Utf8ToCp1252Reported(std::string_view utf8)
{
    DecodedText decoded;
    decoded.encoding = TextEncodingKind::Utf8;
    decoded.text.reserve(utf8.size());
    size_t line = 1;
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        size_t n = DecodeOne(utf8, i, cp);
        if (n == 0) { // a stray byte in text given as UTF-8: taken as Windows-1252
            cp = Cp1252ToCodePoint(static_cast<unsigned char>(utf8[i]));
            n = 1;
        }
        AppendCodePoint(decoded, cp, line);
        if (cp == '\n') ++line;
        i += n;
    }
    return decoded;
}

DecodedText DecodeTextBytes(std::span<const uint8_t> bytes)
{
    if (StartsWith(bytes, kUtf16LeMark)) return Utf16ToCp1252(bytes, false);
    if (StartsWith(bytes, kUtf16BeMark)) return Utf16ToCp1252(bytes, true);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (StartsWith(bytes, kUtf8Mark)) return Utf8ToCp1252Reported(text.substr(sizeof kUtf8Mark));
    bool ascii = true;
    for (const uint8_t b : bytes) ascii = ascii && b < 0x80;
    if (!ascii && IsValidUtf8(text)) return Utf8ToCp1252Reported(text);
    DecodedText decoded;
    decoded.text.assign(text);
    return decoded;
}

std::string ReplacementReport(const std::vector<ReplacedCharacter>& replaced, size_t limit)
{
    // The report is Windows-1252 like every engine text, so a character it cannot hold is named
    // by its code point.
    std::string report;
    for (size_t i = 0; i < replaced.size() && i < limit; ++i) {
        const ReplacedCharacter& r = replaced[i];
        char32_t cp = 0;
        DecodeOne(r.original, 0, cp);
        char name[16];
        std::snprintf(name, sizeof name, "U+%04X", unsigned(cp));
        report += "line " + std::to_string(r.line) + ": " + name + " became \"" + r.replacement + "\"\n";
    }
    if (replaced.size() > limit) report += "and " + std::to_string(replaced.size() - limit) + " more\n";
    return report;
}
