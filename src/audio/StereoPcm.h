#pragma once
#include <cstddef>
#include <cstdint>

#include "audio/WaveFormat.h"

// Turns frames of an 8- or 16-bit PCM work file into the 16-bit stereo that the sound output
// plays: mono is doubled onto both sides, a file of more channels gives its first two, and
// unsigned 8-bit samples b become (b - 128) x 256. out holds frames x 2 samples.
void ToStereo16(const uint8_t* in, size_t frames, const WaveFormat& format, int16_t* out);
