#pragma once
#include <cstdint>
#include <string>

class KaraokeSong;

// The LRC file of an exported song: header tags, the title page lines from 00:00, every lyric
// line with its word times (moved by the lead-in), then the credits page lines from two seconds
// after the last sung word. Simple form: one time a line; enhanced: a time before every word
// and after the last.
std::string BuildLrc(const KaraokeSong& song, uint32_t songLengthMs, uint32_t leadIn, bool enhanced);

// Writes it as a complete file at path (an old file is replaced only once the new one is
// written), in UTF-8, or in Windows-1252 for old players when windows1252 is set. False when the
// file cannot be written.
bool WriteLrcFile(const KaraokeSong& song, const std::string& path, uint32_t songLengthMs, uint32_t leadIn,
                  bool enhanced, bool windows1252 = false);

// The LRC path that goes with an export path: its extension replaced by ".lrc".
std::string LrcPathFor(const std::string& exportPath);
