#pragma once
#include <cstdint>
#include <vector>

#include "player/RgbImage.h"

// A baseline JPEG of the picture (full-range, no chroma subsampling, so the sharp edges of a
// karaoke screen keep their colours), through FFmpeg's encoder. quality 1 (best) to 31. Empty
// when the picture cannot be encoded.
std::vector<uint8_t> EncodeJpeg(const RgbImage& image, int quality = 2);
