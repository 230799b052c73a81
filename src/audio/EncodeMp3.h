#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "audio/AudioEncodeOptions.h"

// Bit rates the MP3+G export offers, highest first: the MPEG-1 Layer III rates (144 is not one).
inline constexpr int kMp3BitRates[] = {320, 256, 224, 192, 160, 128, 112, 96, 80, 64, 56, 48, 40, 32};

// Encodes PCM into an MP3 file at destination through the MP3 encoder library
// (EnsureMp3Encoder must have made it available). The source is a RIFF/WAVE file of 8- or
// 16-bit PCM, mono or stereo, or, when it does not begin with "RIFF", raw 44,100 Hz 16-bit
// stereo samples. The title and artist go into the ID3 tag. The file appears only when
// complete: on failure or cancel nothing is left and an old file stays as it was. On failure
// *failure (when given) says why.
bool EncodeMp3(const std::string& sourcePath, const std::string& destination, const AudioEncodeOptions& options,
               std::string* failure = nullptr);
// The same from a source held in memory.
bool EncodeMp3(std::span<const uint8_t> source, const std::string& destination, const AudioEncodeOptions& options,
               std::string* failure = nullptr);
