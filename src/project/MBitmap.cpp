#include "project/MBitmap.h"

MBitmap::MBitmap() : truePixels(kTrueColourBytes, 0), indexPixels(kIndexPixelBytes, 0) {}

MBitmap::~MBitmap() = default;

void MBitmap::SetColour(int slot, uint8_t red, uint8_t green, uint8_t blue)
{
    if (slot < 0 || slot >= static_cast<int>(colours.size())) return;
    colours[static_cast<size_t>(slot)] = RgbQuad{blue, green, red, 0};
}

uint32_t MBitmap::ColourRgb(int slot) const
{
    if (slot < 0 || slot >= static_cast<int>(colours.size())) return 0;
    const RgbQuad& q = colours[static_cast<size_t>(slot)];
    return (uint32_t(q.red) << 16) | (uint32_t(q.green) << 8) | q.blue;
}
