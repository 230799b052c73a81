#pragma once
#include <string>
#include <string_view>

// Characters of the lyric markup.
inline constexpr char kMarkPageBreak = '^';
inline constexpr char kMarkSyllable = '*';
inline constexpr char kMarkInnerSpace = '_';
inline constexpr char kMarkSecondSinger = '&';

// Normalises lyric text before it is split into lines: no carriage returns, no double spaces,
// no spaces at line ends or around syllable marks, none at either end of the text.
std::string NormaliseLyricText(std::string_view text);
