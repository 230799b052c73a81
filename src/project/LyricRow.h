#pragma once
#include <cstdint>

// Where a lyric line sits on the screen: row `row` of `rows` equal rows. With a lyrics page
// graphic taking 50 % or 75 % of the height, the lyrics use the lowest rows.
struct LyricRow {
    int32_t rows;
    int32_t row;
};

// The graphic share as the lyrics use it: 50 or 75, any other value (the settings dialog never
// sets one) counts as 0.
int32_t UsableGraphicShare(int32_t graphicShare);

LyricRow LyricRowFor(int32_t graphicShare, int32_t linesPerPage, int32_t slot);
