#pragma once
#include <string>
#include <string_view>

// Characters of the lyric markup.
inline constexpr char kMarkPageBreak = '^';
inline constexpr char kMarkSyllable = '*';
inline constexpr char kMarkInnerSpace = '_';
inline constexpr char kMarkSecondSinger = '&';

// Said when the lyrics mark duet lines in a song for one singer (the marks are then dropped).
inline constexpr const char* kMsgDuetMarksInSoloSong =
    "You have included \"Duet\" indicators (\"&\") in your lyrics.\n"
    "However in your project settings, on the \"Lyrics\" tab,\n"
    "you have selected \"Solo\" performance.\n\n"
    "Open the \"Settings\" and select \"Duet\" in your project settings,\n"
    "or remove all of the ampersands.";

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
