#pragma once
#include <string>
#include <string_view>

#include "lyrics/LrcDocument.h"

// UltraStar song files: "#KEY:value" headers (#TITLE, #ARTIST, #MP3, #BPM, #GAP, #RELATIVE)
// and one note a line (": * F R G" with start beat, length, pitch and syllable), "-" line
// breaks and "E" at the end. A beat lasts 60 / (BPM x 4) seconds, counted from #GAP
// milliseconds; with #RELATIVE the beats of a line count from the line's start.

// True when the text (LF line ends, UTF-8) is an UltraStar song: it has #BPM and at least
// one note line.
bool IsUltraStarSong(std::string_view text);

// Fills the document (title, artist, music file, lines of elements timed to the microsecond:
// a syllable runs for its note's length; "~" continues the note before) and returns the lyric
// text, lines ending in CR LF; syllables with no space between them are joined with "*". Empty
// when nothing is usable.
std::string ParseUltraStar(std::string_view text, LrcDocument& document);
