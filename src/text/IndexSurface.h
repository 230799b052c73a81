#pragma once
#include <cstdint>

// A rectangle of one-byte palette indices that text can be drawn into, with a clip rectangle
// (left/top inclusive, right/bottom exclusive).
struct IndexSurface {
    uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    int clipLeft = 0;
    int clipTop = 0;
    int clipRight = 0;
    int clipBottom = 0;
};
