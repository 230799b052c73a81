#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "media/ColourValue.h"

// A decoded picture: width x height pixels, row by row, each a colour value
// (media/ColourValue.h; the fourth byte is 0).
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// Pictures beyond this size are refused before they are decoded.
inline constexpr int kMaxPictureSide = 8000;

// Decodes a BMP, JPEG, GIF, TIFF or PNG picture (the first frame). False when the bytes are
// not a picture the decoders read, or when it is larger than kMaxPictureSide either way.
bool DecodePicture(std::span<const uint8_t> bytes, RgbPicture& out);
bool DecodePictureFile(const std::string& path, RgbPicture& out);

// Resamples with bicubic interpolation to width x height.
bool ScalePicture(const RgbPicture& in, int width, int height, RgbPicture& out);
