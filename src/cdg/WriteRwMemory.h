#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

class KaraokeSong;

// A from time below any song time: nothing is left out.
inline constexpr int64_t kWriteWholeSong = -1410065407;

// Writes the song's whole CD+G stream into buffer (cleared first): title page, duet legend,
// every lyric page drawn ahead of singing, the word sweeps, the erases, the lyrics picture and
// the credits page. Events timed before fromTime are left out. Stores each line's draw and
// erase time, makes the music work file long enough for the stream, and returns the lead-in:
// the sample frames of silence to play before the music. usedLength gets the stream's length
// in bytes.
uint32_t WriteRwMemory(KaraokeSong& song, std::span<uint8_t> buffer, size_t& usedLength,
                       int64_t fromTime = kWriteWholeSong);

// The same over the song's own stream buffer.
uint32_t WriteRwMemory(KaraokeSong& song, size_t& usedLength, int64_t fromTime = kWriteWholeSong);
