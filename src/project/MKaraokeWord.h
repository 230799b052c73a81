#pragma once
#include <cstdint>

#include "project/ConstPropagating.h"

class MKaraokeLine;

// Word element flags.
inline constexpr uint32_t kWordSelected = 1;  // the word selected in the Adjust Lyrics view
inline constexpr uint32_t kWordJoinsNext = 2; // a "*" followed it
inline constexpr uint32_t kWordContinues = 4; // no space before it

// One word or syllable of a karaoke line. Times are samples at 44,100 Hz from the start of the
// music; a start time of 0 means the word is not placed.
struct MKaraokeWord {
    int32_t first = 0; // index of the first character in the line text
    int32_t last = -1; // index of the last character, inclusive (first - 1 when empty)
    uint32_t start = 0;
    uint32_t end = 0;
    Link<MKaraokeLine> line = nullptr;
    int32_t boxLeft = 0; // screen box on the 288 x 192 drawing area
    int32_t boxTop = 0;
    int32_t boxRight = 0;
    int32_t boxBottom = 0;
    uint32_t flags = 0;
};
