#pragma once
#include <cstddef>
#include <string_view>
#include <vector>

// Scripts written without spaces between words (Chinese, Japanese kana and kanji, Thai) are timed
// one character at a time: each character with the marks that belong to it is its own syllable.

// Whether the character belongs to a script written without spaces.
bool IsUnspacedScript(char32_t cp);

// The byte offsets (after 0, before text.size()) where a run of text that has no spaces or "*"
// splits into syllables: before every character of an unspaced script, and after one, except
// where the next character belongs to the one before it (a combining mark, a small kana of a
// contracted sound, the long-vowel mark, closing punctuation).
std::vector<size_t> SyllableBreaks(std::string_view run);
