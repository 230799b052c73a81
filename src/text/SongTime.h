#pragma once
#include <cstdint>
#include <string>

// Song times are counts of samples at 44,100 per second from the start of the music.
inline constexpr uint32_t kSongSamplesPerSecond = 44100;
inline constexpr uint32_t kSongSamplesPerHundredth = kSongSamplesPerSecond / 100;

// A song time as "mm:ss.cc" (minutes, seconds, hundredths). Hundredths are cut, not rounded,
// so a time never shows later than it is; minutes grow past two digits when they must.
std::string FormatSongTime(uint32_t samples);
