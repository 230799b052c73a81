#pragma once
#include <cstdint>

// Where a lyric line sits on the screen: row `row` of `rows` equal rows. With a lyrics page
// graphic taking 50 % or 75 % of the height, the lyrics use the lowest rows; any other share
// puts every line on the first row.
struct LyricRow {
    int32_t rows;
    int32_t row;
};

LyricRow LyricRowFor(int32_t graphicShare, int32_t linesPerPage, int32_t slot);
