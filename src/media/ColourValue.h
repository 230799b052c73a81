#pragma once
#include <cstdint>

// The one packing of a 24-bit colour in the engine: 8-bit red in the low byte, then green, then
// blue; the fourth byte is not read. Colour tables, settings and the pixels of both picture
// types (RgbPicture, RgbImage) use it.
constexpr uint32_t MakeColourValue(uint8_t red, uint8_t green, uint8_t blue)
{
    return uint32_t(red) | (uint32_t(green) << 8) | (uint32_t(blue) << 16);
}
constexpr uint8_t ColourRed(uint32_t colour) { return uint8_t(colour); }
constexpr uint8_t ColourGreen(uint32_t colour) { return uint8_t(colour >> 8); }
constexpr uint8_t ColourBlue(uint32_t colour) { return uint8_t(colour >> 16); }
// The three channels without the fourth byte.
inline constexpr uint32_t kColourValueMask = 0x00FFFFFF;
