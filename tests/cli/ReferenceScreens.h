#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "player/RgbImage.h"

// Comparing our screens with those of other CD+G decoders.

// A binary PPM (P6, maxval 255) as ffmpeg and our Node script write it.
std::optional<RgbImage> ReadPpm(const std::string& path);

// What a stream did before a packet index: the border and colour history a comparison of the
// border ring depends on, and whether any scroll could have set fine offsets.
struct StreamScan {
    std::optional<size_t> lastBorderPreset, lastMemoryPreset, lastColourLoad;
    bool scrolled = false;
};
StreamScan ScanBefore(const std::vector<uint8_t>& stream, size_t end);

// Checks that two 300 x 216 screens agree on every pixel of the 288 x 192 drawing area and that
// ours shows one colour, the border colour, all round it (the ring other decoders may fill
// otherwise); returns that border colour.
uint32_t ExpectSameDrawingArea(const RgbImage& ours, const RgbImage& theirs);
