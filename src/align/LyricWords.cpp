#include "align/LyricWords.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "project/KaraokeSong.h"
#include "text/SyllableUnits.h"
#include "text/Utf8.h"

namespace {

bool IsVowel(char32_t cp)
{
    static const std::u32string kVowels =
        U"aeiouyAEIOUY"
        U"àáâãäåæèéêëìíîïòóôõöøùúûüýÿœÀÁÂÃÄÅÆÈÉÊËÌÍÎÏÒÓÔÕÖØÙÚÛÜÝŒ"
        U"ăąēęěīįōőūůűŷ"
        U"аеёиоуыэюяАЕЁИОУЫЭЮЯ"
        U"αεηιουωάέήίόύώΑΕΗΙΟΥΩ";
    return kVowels.find(cp) != std::u32string::npos;
}

std::string ElementText(const MKaraokeWord& w)
{
    if (!w.line || w.last < w.first) return {};
    const std::string& text = w.line->text;
    const size_t first = size_t(std::max(w.first, 0));
    if (first >= text.size()) return {};
    return text.substr(first, std::min(text.size(), size_t(w.last) + 1) - first);
}

std::string KeyOf(const std::string& text)
{
    std::string key;
    std::string plain = text;
    // A typographic apostrophe is the dictionary's plain one.
    for (size_t at; (at = plain.find("\xE2\x80\x99")) != std::string::npos;) plain.replace(at, 3, "'");
    for (char c : plain) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalpha(u)) key += char(std::tolower(u));
        else if (c == '\'' && !key.empty()) key += c;
    }
    while (!key.empty() && key.back() == '\'') key.pop_back();
    return key;
}

} // namespace

double LyricLine::Weight() const
{
    double weight = 0;
    for (const LyricWord& w : words) weight += w.key.empty() && w.syllables == 0 ? 0 : w.syllables;
    return std::max(weight, 1.0);
}

int LyricWords::CountSyllables(const std::string& utf8)
{
    int groups = 0, letters = 0;
    bool inVowel = false;
    size_t index = 0;
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        const size_t n = NextCodePoint(utf8, i, cp);
        i += n;
        if (IsUnspacedScript(cp)) {
            ++groups;
            inVowel = false;
            continue;
        }
        const bool letter = cp > 0x7F || std::isalpha(int(cp));
        if (!letter) {
            inVowel = false;
            continue;
        }
        ++letters;
        // A leading "y" is a consonant.
        const bool vowel = IsVowel(cp) && !(index == 0 && (cp == U'y' || cp == U'Y'));
        if (vowel && !inVowel) ++groups;
        inVowel = vowel;
        ++index;
    }
    if (groups == 0) groups = letters > 0 ? std::max(1, letters / 3) : 0;
    return groups;
}

std::vector<LyricLine> LyricWords::Read(const KaraokeSong& song)
{
    std::unordered_map<const MKaraokeWord*, size_t> elementIndex;
    for (size_t i = 0; i < song.words.size(); ++i) elementIndex[song.words[i].get()] = i;

    std::vector<LyricLine> lines;
    for (size_t l = 0; l < song.lines.size(); ++l) {
        const MKaraokeLine& line = *song.lines[l];
        LyricLine out;
        out.line = l;
        for (size_t k = 0; k < line.words.size(); ++k) {
            const MKaraokeWord* w = line.words[k];
            const auto found = elementIndex.find(w);
            if (found == elementIndex.end()) continue;
            // A syllable after a "*", or text with no space before it, belongs to the word before.
            const bool joins = k > 0 && !out.words.empty() &&
                               ((line.words[k - 1]->flags & kWordJoinsNext) || (w->flags & kWordContinues)) &&
                               out.words.back().firstElement + out.words.back().elementCount == found->second;
            if (!joins) {
                out.words.emplace_back();
                out.words.back().firstElement = found->second;
                out.words.back().elementCount = 0;
            }
            LyricWord& word = out.words.back();
            std::string text = ElementText(*w);
            text.erase(std::remove(text.begin(), text.end(), '*'), text.end());
            word.text += text;
            ++word.elementCount;
            word.elementWeights.push_back(std::max(1, CountSyllables(text)));
        }
        for (LyricWord& word : out.words) {
            word.key = KeyOf(word.text);
            word.syllables = CountSyllables(word.text);
        }
        if (!out.words.empty()) lines.push_back(std::move(out));
    }
    return lines;
}

bool LyricWords::LooksEnglish(const std::vector<LyricLine>& lines)
{
    size_t ascii = 0, other = 0;
    for (const LyricLine& line : lines) {
        for (const LyricWord& word : line.words) {
            for (size_t i = 0; i < word.text.size();) {
                char32_t cp = 0;
                i += NextCodePoint(word.text, i, cp);
                if (cp < 0x80) ascii += std::isalpha(int(cp)) ? 1 : 0;
                else if (cp != U'\u2019' && cp != U'\u2018' && cp != U'\u201C' && cp != U'\u201D' && cp != U'\u2026' &&
                         cp != U'\u2013' && cp != U'\u2014')
                    ++other;
            }
        }
    }
    // A borrowed "café" or "naïve" does not make a song foreign; a few letters in a hundred do.
    return ascii > 0 && other * 50 <= ascii;
}
