#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "media/WaveFormat.h"

// Turns frames of an 8- or 16-bit PCM work file into the 16-bit stereo that the sound output
// plays: mono is doubled onto both sides, a file of more channels gives its first two, and
// unsigned 8-bit samples b become (b - 128) x 256. out holds frames x 2 samples.
void ToStereo16(const uint8_t* in, size_t frames, const WaveFormat& format, int16_t* out);

// The same for mono or stereo input held in spans: converts as many whole frames as both
// spans allow and returns that frame count (0 for other channel counts or sample sizes).
size_t WidenToStereo16(std::span<const uint8_t> in, uint16_t channels, uint16_t bits, std::span<int16_t> out);
