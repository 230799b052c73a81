#include "PlaybackFixtures.h"

#include <cmath>

std::vector<int16_t> NumberedFrames(size_t frames)
{
    std::vector<int16_t> out;
    out.reserve(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        out.push_back(int16_t(i & 0x7FFF));
        out.push_back(int16_t(i >> 15));
    }
    return out;
}

std::vector<int16_t> StereoTone(size_t frames)
{
    std::vector<int16_t> out;
    out.reserve(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / 44100.0;
        out.push_back(int16_t(std::lround(12000.0 * std::sin(2.0 * M_PI * 440.0 * t))));
        out.push_back(int16_t(std::lround(12000.0 * std::sin(2.0 * M_PI * 660.0 * t))));
    }
    return out;
}
