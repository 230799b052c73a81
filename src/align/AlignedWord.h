#pragma once
#include <cstddef>
#include <cstdint>

// The time the aligner found for one word element of the song (a word, or a syllable of a
// "*"-joined word). Times are samples at 44,100 Hz from the start of the music.
struct AlignedWord {
    size_t element = 0; // index in the song's word list
    size_t line = 0;    // index of its lyric line
    size_t word = 0;    // index of the element within its line
    uint32_t start = 0;
    uint32_t end = 0;
    double confidence = 0; // 0..1
    // The time is a guess worth checking by ear: the acoustic match was poor, another cue
    // disagreed with it, or the words were spread over the singing rather than recognised.
    bool unsure = true;
};
