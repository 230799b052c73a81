#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "project/ConstPropagating.h"
#include "project/MKaraokeWord.h"

// One displayed lyric line with its word elements. The elements are owned by the song's word
// list; the line refers to its own in text order.
class MKaraokeLine {
public:
    MKaraokeLine();
    virtual ~MKaraokeLine();

    int32_t page = 0;
    std::string text;
    int32_t colour = 12;
    int32_t drawTime = 0;  // samples
    int32_t eraseTime = 0; // samples
    int32_t slot = 0;
    std::vector<Link<MKaraokeWord>> words;
    uint8_t placed = 0;
    uint8_t newPageBefore = 0;
    uint8_t secondSinger = 0;
};
