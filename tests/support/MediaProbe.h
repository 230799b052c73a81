#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What ffprobe says about one entry of a media file, such as "format=format_name",
// "stream=codec_name" or "format_tags=title"; empty when it has no such entry.
std::string ProbeEntry(const std::string& path, const std::string& entry);

// The file decoded by ffmpeg to interleaved 16-bit samples with the given channel count at the
// file's own rate (empty when it cannot be decoded).
std::vector<int16_t> DecodeWithFfmpeg(const std::string& path, int channels);

// Root mean square of samples [from, to).
double Rms(const std::vector<int16_t>& samples, size_t from, size_t to);
