#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

// Widens whole frames of 8- or 16-bit PCM (mono or stereo, little-endian) into interleaved
// 16-bit stereo: 8-bit samples b become (b - 128) * 256 and a mono sample goes to both sides.
// Converts as many whole frames as both spans allow and returns that frame count.
size_t WidenToStereo16(std::span<const uint8_t> in, uint16_t channels, uint16_t bits, std::span<int16_t> out);
