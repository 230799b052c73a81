#pragma once
#include <cstddef>
#include <string>
#include <vector>

class KaraokeSong;

// A sung word as the aligner sees it: one or more word elements of the song (the syllables of
// a "*"-joined word), the spoken form to look up and how many syllables it has.
struct LyricWord {
    size_t firstElement = 0; // index in the song's word list
    size_t elementCount = 1;
    std::string text;        // as written (UTF-8), syllable marks removed
    std::string key;         // lower-case letters and apostrophes; empty for a word nobody sings
    int syllables = 1;
    std::vector<double> elementWeights; // how long each element is sung, relatively
};

struct LyricLine {
    size_t line = 0; // index in the song's line list
    std::vector<LyricWord> words;
    double Weight() const;
};

// The song's lyric lines as words to align, in lyric order; lines without words are left out.
class LyricWords {
public:
    static std::vector<LyricLine> Read(const KaraokeSong& song);
    // Whether the lyrics are written in English letters alone (no letter outside A-Z).
    static bool LooksEnglish(const std::vector<LyricLine>& lines);
    // Vowel groups of a word as a rough syllable count (at least 1).
    static int CountSyllables(const std::string& utf8);
};
