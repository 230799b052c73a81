#pragma once
#include <cstddef>
#include <cstdint>

#include "cdg/CdgFormat.h"

// A read-only view of a picture of colour indices, one index per byte (only the low 4 bits
// count). Page canvases are 288 x 192; tile (c, r) covers x 6c to 6c + 5 and y 12r to 12r + 11.
struct IndexImageView {
    const uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    size_t pitch = 0; // bytes from one row to the next

    uint8_t At(int x, int y) const { return pixels[size_t(y) * pitch + size_t(x)] & kCdgTileColourMask; }

    bool HasTile(int tileColumn, int tileRow) const
    {
        return pixels != nullptr && tileColumn >= 0 && tileRow >= 0 && pitch >= size_t(width) &&
               (tileColumn + 1) * kCdgTileWidth <= width && (tileRow + 1) * kCdgTileHeight <= height;
    }
};
