#pragma once
#include <cstdint>
#include <string>

enum class MediaLengthUnit { Milliseconds, Seconds };

// The playing length of a media file: a WAV file by its samples, a BIN file by its sectors
// (2,448 bytes of audio and subcode, 75 a second), a .cdg file by the same sectors' 96 subcode
// bytes (7,200 bytes a second), and any file FFmpeg reads with audio
// by its stated duration (or, when it states none, by its packets). 0 for anything else.
// Seconds are the milliseconds divided by 1000, truncated.
uint32_t GetMediaLength(const std::string& path, MediaLengthUnit unit = MediaLengthUnit::Milliseconds);
