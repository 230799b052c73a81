#include "text/SongTime.h"

#include <cstdio>

std::string FormatSongTime(uint32_t samples)
{
    const uint32_t hundredths = samples / kSongSamplesPerHundredth;
    const uint32_t minutes = hundredths / 6000;
    const uint32_t seconds = hundredths / 100 % 60;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02u:%02u.%02u", static_cast<unsigned>(minutes), static_cast<unsigned>(seconds),
                  static_cast<unsigned>(hundredths % 100));
    return buf;
}
