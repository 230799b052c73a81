#pragma once
#include <cstdint>
#include <span>
#include <string>

// The lyrics of a standard or karaoke MIDI file: its text and lyric events, with "/" and "\"
// starting new lines and "@" header texts left out. Empty when the file has no chunk marks or
// no lyrics.
std::string ExtractMidiLyrics(std::span<const uint8_t> bytes);
