#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "media/ColourValue.h"

// A picture of 8-bit red, green, blue triples, rows top first, no padding.
struct RgbImage {
    static constexpr size_t kBytesPerPixel = 3;

    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    RgbImage() = default;
    RgbImage(int w, int h) : width(w), height(h), pixels(size_t(w) * size_t(h) * kBytesPerPixel, 0) {}

    size_t Index(int x, int y) const { return (size_t(y) * size_t(width) + size_t(x)) * kBytesPerPixel; }
    // The pixel as a colour value (red in the low byte), comparable with a colour table entry.
    uint32_t ColourAt(int x, int y) const
    {
        const size_t i = Index(x, y);
        return MakeColourValue(pixels[i], pixels[i + 1], pixels[i + 2]);
    }
    void SetColour(int x, int y, uint32_t colour)
    {
        const size_t i = Index(x, y);
        pixels[i] = ColourRed(colour);
        pixels[i + 1] = ColourGreen(colour);
        pixels[i + 2] = ColourBlue(colour);
    }
};
