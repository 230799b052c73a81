#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Music fixtures made by ffmpeg: a 440 Hz sine of exactly `frames` sample frames at `rate`,
// with `channels`, encoded as the name's extension says, with any further ffmpeg output
// options in `extra` (codec, bit rate, -metadata ...; passed through the shell). The path of
// the new file, or "" when ffmpeg failed (the test fails too).
std::string MakeMusic(const std::string& folder, const std::string& name, int64_t frames, int rate, int channels,
                      const std::string& extra = "");

// What ffmpeg itself decodes from a file: interleaved 16-bit samples in the file's own rate
// and channels, the reference for our decoder.
std::vector<uint8_t> FfmpegPcm(const std::string& path);

// The first `bytes` bytes of a file, copied to a new one (a broken download).
void WriteTruncatedCopy(const std::string& from, const std::string& to, size_t bytes);
