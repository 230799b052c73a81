#include "text/SyllableUnits.h"

#include "text/Utf8.h"

namespace {

bool InRange(char32_t cp, char32_t first, char32_t last)
{
    return cp >= first && cp <= last;
}

// Marks drawn with the character before them.
bool IsCombiningMark(char32_t cp)
{
    return InRange(cp, 0x0300, 0x036F) || InRange(cp, 0x0E31, 0x0E31) || InRange(cp, 0x0E34, 0x0E3A) ||
           InRange(cp, 0x0E47, 0x0E4E) || InRange(cp, 0x3099, 0x309A) || InRange(cp, 0xFE00, 0xFE0F) ||
           cp == 0x200D || InRange(cp, 0x1AB0, 0x1AFF) || InRange(cp, 0x20D0, 0x20FF);
}

// Small kana that make one sound with the kana before them (kya, shu, fa ...), and the long-vowel mark.
bool IsContractedKana(char32_t cp)
{
    switch (cp) {
    case 0x3041: case 0x3043: case 0x3045: case 0x3047: case 0x3049: // small a i u e o
    case 0x3083: case 0x3085: case 0x3087: case 0x308E:              // small ya yu yo wa
    case 0x30A1: case 0x30A3: case 0x30A5: case 0x30A7: case 0x30A9:
    case 0x30E3: case 0x30E5: case 0x30E7: case 0x30EE:
    case 0x30FC: // long-vowel mark
        return true;
    default: return false;
    }
}

// Punctuation that closes what comes before it: the ideographic comma and full stop, closing
// brackets and quotes, full-width punctuation, and the ASCII marks that follow a syllable.
bool IsClosingPunctuation(char32_t cp)
{
    return InRange(cp, 0x3001, 0x3002) || cp == 0x3009 || cp == 0x300B || cp == 0x300D || cp == 0x300F ||
           cp == 0x3011 || cp == 0xFF01 || cp == 0xFF09 || cp == 0xFF0C || cp == 0xFF0E || cp == 0xFF1A ||
           cp == 0xFF1B || cp == 0xFF1F || cp == 0x2026 || cp == ',' || cp == '.' || cp == '!' || cp == '?' ||
           cp == ')' || cp == ':' || cp == ';' || cp == '"' || cp == '\'';
}

bool StaysWithPrevious(char32_t cp)
{
    return IsCombiningMark(cp) || IsContractedKana(cp) || IsClosingPunctuation(cp);
}

} // namespace

bool IsUnspacedScript(char32_t cp)
{
    return InRange(cp, 0x0E00, 0x0E7F) ||  // Thai
           InRange(cp, 0x0E80, 0x0EFF) ||  // Lao
           InRange(cp, 0x1780, 0x17FF) ||  // Khmer
           InRange(cp, 0x3040, 0x30FF) ||  // Hiragana, Katakana
           InRange(cp, 0x3400, 0x4DBF) ||  // CJK Extension A
           InRange(cp, 0x4E00, 0x9FFF) ||  // CJK Unified Ideographs
           InRange(cp, 0xF900, 0xFAFF) ||  // CJK Compatibility Ideographs
           InRange(cp, 0x31F0, 0x31FF) ||  // Katakana Phonetic Extensions
           InRange(cp, 0xFF66, 0xFF9F) ||  // half-width Katakana
           InRange(cp, 0x20000, 0x2FA1F);  // CJK Extensions B and on
}

std::vector<size_t> SyllableBreaks(std::string_view run)
{
    std::vector<size_t> breaks;
    bool previousUnspaced = false;
    for (size_t i = 0; i < run.size();) {
        char32_t cp = 0;
        const size_t n = NextCodePoint(run, i, cp);
        const bool unspaced = IsUnspacedScript(cp) && !StaysWithPrevious(cp);
        if (i > 0 && (unspaced || previousUnspaced) && !StaysWithPrevious(cp)) breaks.push_back(i);
        if (!StaysWithPrevious(cp)) previousUnspaced = IsUnspacedScript(cp);
        i += n;
    }
    return breaks;
}
