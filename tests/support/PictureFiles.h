#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Writes an uncompressed 24-bit BMP of the given 0x00RRGGBB pixels (row by row, top first).
void WriteBmp(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels);

// Runs a shell command (used for the ffmpeg-made fixtures); true when it exits with 0.
bool RunCommand(const std::string& command);
