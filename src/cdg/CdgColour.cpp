#include "cdg/CdgColour.h"

int NearestColourIndex(uint32_t colour, std::span<const uint32_t> table)
{
    int best = 0;
    int64_t bestDistance = INT64_MAX;
    for (size_t i = 0; i < table.size(); ++i) {
        const int dr = int(ColourRed(colour)) - int(ColourRed(table[i]));
        const int dg = int(ColourGreen(colour)) - int(ColourGreen(table[i]));
        const int db = int(ColourBlue(colour)) - int(ColourBlue(table[i]));
        const int64_t distance = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = int(i);
        }
    }
    return best;
}
