#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The stream plays 7,200 bytes a second (300 packets of 24 bytes).
inline constexpr uint64_t kCdgBytesPerSecond = 7200;
inline constexpr uint64_t kMillisecondsPerSecond = 1000;

// How much of the stream buffer goes into the .cdg file of compressed audio lasting durationMs:
// durationMs x 7,200 / 1,000 bytes rounded to the nearest byte, at most the whole buffer; the
// whole buffer when the duration is unknown (0). Always whole 24-byte packets (rounded down): a
// player takes a trailing partial packet for a damaged file.
size_t CdgFileLength(uint64_t durationMs, size_t bufferSize);

// The .cdg path that goes with an audio path: everything from its last "." replaced by ".cdg"
// (".cdg" appended when the file name has no extension).
std::string CdgPathFor(const std::string& audioPath);

// Writes the first length bytes of the stream (at most all of it) as the .cdg file at path.
// The file appears only when complete; an old file is replaced then. False when it cannot be
// written.
bool WriteCdgFile(const std::string& path, std::span<const uint8_t> stream, size_t length);
