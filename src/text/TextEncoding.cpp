#include "text/TextEncoding.h"

#include <iconv.h>

#include <cerrno>
#include <string>

#include "text/Cp1252.h"
#include "text/Utf8.h"

namespace {

constexpr uint8_t kUtf8Mark[] = {0xEF, 0xBB, 0xBF};
constexpr uint8_t kUtf16LeMark[] = {0xFF, 0xFE};
constexpr uint8_t kUtf16BeMark[] = {0xFE, 0xFF};
constexpr char32_t kSurrogateFirst = 0xD800;
constexpr char32_t kSurrogateLast = 0xDFFF;
constexpr char32_t kLowSurrogateFirst = 0xDC00;
constexpr char32_t kReplacementCharacter = 0xFFFD;

template <size_t N>
bool StartsWith(std::span<const uint8_t> bytes, const uint8_t (&mark)[N])
{
    if (bytes.size() < N) return false;
    for (size_t i = 0; i < N; ++i)
        if (bytes[i] != mark[i]) return false;
    return true;
}

DecodedText Utf16ToUtf8(std::span<const uint8_t> bytes, bool bigEndian)
{
    DecodedText decoded;
    decoded.encoding = bigEndian ? TextEncodingKind::Utf16Be : TextEncodingKind::Utf16Le;
    auto unitAt = [&](size_t i) {
        return bigEndian ? char32_t(bytes[i] << 8 | bytes[i + 1]) : char32_t(bytes[i] | bytes[i + 1] << 8);
    };
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        char32_t cp = unitAt(i);
        if (cp >= kSurrogateFirst && cp <= kSurrogateLast) {
            const bool paired = cp < kLowSurrogateFirst && i + 3 < bytes.size() && unitAt(i + 2) >= kLowSurrogateFirst &&
                                unitAt(i + 2) <= kSurrogateLast;
            if (paired) {
                cp = 0x10000 + ((cp - kSurrogateFirst) << 10) + (unitAt(i + 2) - kLowSurrogateFirst);
                i += 2;
            } else {
                cp = kReplacementCharacter;
            }
        }
        AppendUtf8(decoded.text, cp);
    }
    return decoded;
}

// The bytes converted strictly from a code page iconv knows; false when any byte sequence is not
// one of its characters.
bool ConvertStrictly(std::string_view bytes, const char* codePage, std::string& out)
{
    iconv_t cd = iconv_open("UTF-8", codePage);
    if (cd == iconv_t(-1)) return false;
    out.assign(bytes.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* to = out.data();
    size_t toLeft = out.size();
    const size_t done = iconv(cd, &in, &inLeft, &to, &toLeft);
    iconv_close(cd);
    if (done == size_t(-1) || inLeft != 0) return false;
    out.resize(out.size() - toLeft);
    return true;
}

bool IsJapanese(char32_t cp)
{
    return (cp >= 0x3000 && cp <= 0x30FF) || (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xFF00 && cp <= 0xFFEF);
}

// Shift-JIS text: the bytes convert, and most of what is not ASCII is Japanese.
bool ReadsAsShiftJis(std::string_view bytes, std::string& utf8)
{
    if (!ConvertStrictly(bytes, "SHIFT_JIS", utf8)) return false;
    size_t japanese = 0, other = 0;
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        i += NextCodePoint(utf8, i, cp);
        if (cp < 0x80) continue;
        (IsJapanese(cp) ? japanese : other)++;
    }
    return japanese > 0 && japanese >= 2 * other;
}

// Windows-1251 Russian text: most letters are in the upper half, in runs. A Western text in
// Windows-1252 has an accented letter here and there among plain ones.
bool ReadsAsCp1251(std::string_view bytes)
{
    size_t upper = 0, plain = 0, runs = 0, run = 0;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        const bool letter = b >= 0xC0 || b == 0xA8 || b == 0xB8;
        if (letter) {
            ++upper;
            if (++run == 3) ++runs;
        } else {
            run = 0;
            if ((b | 0x20) >= 'a' && (b | 0x20) <= 'z') ++plain;
        }
    }
    return runs > 0 && upper > 2 * plain;
}

} // namespace

DecodedText DecodeLegacyText(std::string_view bytes)
{
    DecodedText decoded;
    if (IsValidUtf8(bytes)) {
        decoded.text.assign(bytes);
        decoded.encoding = TextEncodingKind::Utf8;
        return decoded;
    }
    if (ReadsAsShiftJis(bytes, decoded.text)) {
        decoded.encoding = TextEncodingKind::ShiftJis;
        return decoded;
    }
    if (ReadsAsCp1251(bytes) && ConvertStrictly(bytes, "CP1251", decoded.text)) {
        decoded.encoding = TextEncodingKind::Cp1251;
        return decoded;
    }
    // Windows-1252, with any UTF-8 sequences in it (punctuation pasted into an old file) kept.
    decoded.text = ToValidUtf8(bytes);
    decoded.encoding = TextEncodingKind::Cp1252;
    return decoded;
}

std::string DecodeAs(std::string_view bytes, TextEncodingKind encoding)
{
    std::string out;
    if (encoding == TextEncodingKind::ShiftJis && ConvertStrictly(bytes, "SHIFT_JIS", out)) return out;
    if (encoding == TextEncodingKind::Cp1251 && ConvertStrictly(bytes, "CP1251", out)) return out;
    return ToValidUtf8(bytes);
}

DecodedText DecodeTextBytes(std::span<const uint8_t> bytes)
{
    if (StartsWith(bytes, kUtf16LeMark)) return Utf16ToUtf8(bytes, false);
    if (StartsWith(bytes, kUtf16BeMark)) return Utf16ToUtf8(bytes, true);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (StartsWith(bytes, kUtf8Mark)) {
        DecodedText decoded{ToValidUtf8(text.substr(sizeof kUtf8Mark)), TextEncodingKind::Utf8};
        return decoded;
    }
    return DecodeLegacyText(text);
}

std::string CharacterReport(const std::vector<TextCharacter>& characters, size_t limit)
{
    std::string report;
    for (size_t i = 0; i < characters.size() && i < limit; ++i) {
        const TextCharacter& c = characters[i];
        char32_t cp = 0;
        NextCodePoint(c.character, 0, cp);
        report += "line " + std::to_string(c.line) + ": \"" + c.character + "\" (" + CodePointName(cp) + ")\n";
    }
    if (characters.size() > limit) report += "and " + std::to_string(characters.size() - limit) + " more\n";
    return report;
}
