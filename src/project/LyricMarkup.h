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

// Whether a line of the (normalised) lyric text is a page break: it makes no karaoke line.
bool IsPageBreakLine(std::string_view line);

// Whether a karaoke line's text begins with the second singer's mark (one "&"; "&&" is none).
bool HasDuetMark(std::string_view line);

// A karaoke line's text as the final text shows it: syllable marks gone, inner-space marks as
// spaces.
std::string FinalLineText(std::string_view line);
