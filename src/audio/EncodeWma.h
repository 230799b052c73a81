#pragma once
#include <string>

#include "audio/AudioEncodeOptions.h"

// Bit rates the WMA+G export offers, highest first. Any other rate is encoded at 128 kbps.
inline constexpr int kWmaBitRates[] = {192, 160, 128, 96};
inline constexpr int kWmaDefaultKbps = 128;
int WmaBitRateFor(int kbps);

// Encodes a PCM WAV file (8- or 16-bit, mono or stereo; raw 44,100 Hz 16-bit stereo samples
// when it does not begin with "RIFF") into a Windows Media Audio 2 stream in an ASF file at
// 44,100 Hz stereo, with the title and artist as the file's "Title" and "Author". Progress
// comes in steps of 2 (2, 4, 6, ...). The file appears only when complete: on failure or
// cancel nothing is left and an old file stays as it was. On failure *failure says why.
bool EncodeWma(const std::string& sourcePath, const std::string& destination, const AudioEncodeOptions& options,
               std::string* failure = nullptr);
