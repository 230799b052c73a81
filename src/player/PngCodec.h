#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "player/RgbImage.h"

// Largest picture DecodePng accepts; anything claiming more is refused before allocating.
inline constexpr int kPngMaxSide = 16384;
inline constexpr uint64_t kPngMaxPixels = uint64_t(1) << 26;

// An 8-bit RGB PNG of the image (no interlace). level is the deflate level, 0-9.
std::vector<uint8_t> EncodePng(const RgbImage& image, int level = 6);

// Writes the PNG next to path and renames it over path, so no half-written file is ever left.
bool WritePngFile(const std::string& path, const RgbImage& image, int level = 6);

// Reads a non-interlaced 8-bit RGB or RGBA PNG (alpha is dropped). On failure returns false
// with a short reason in error.
bool DecodePng(std::span<const uint8_t> png, RgbImage& image, std::string& error);
