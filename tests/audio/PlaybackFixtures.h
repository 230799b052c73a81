#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Stereo 16-bit frames that tell which frame of the music they are: left = frame & 0x7FFF,
// right = frame >> 15.
std::vector<int16_t> NumberedFrames(size_t frames);
// A stereo tone of the given length in frames.
std::vector<int16_t> StereoTone(size_t frames);
