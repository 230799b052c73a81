#pragma once
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "lyrics/LrcDocument.h"
#include "text/TextEncoding.h"

class KaraokeSong;
class UserPrompt;

enum class LyricFileKind { Text, Lrc, Midi, Other };

inline constexpr const char* kLyricFileTitle = "Select Lyrics File";
inline constexpr const char* kMsgLyricOpenFailed = "Error: Unable to open lyric file.";
// Lyric files are a few kilobytes of text, a MIDI file rarely more than a megabyte. The song's
// line list takes about sixty times a text's size, so anything larger is refused before reading.
inline constexpr size_t kMaxLyricFileBytes = size_t(4) << 20;
inline constexpr const char* kMsgLyricMemory = "Error: Memory Allocation failed.";
inline constexpr const char* kMsgLyricNothing =
    "There was an error opening or reading the Lyrics file,\nor the Lyrics file contained no Lyrics.\n\n"
    "Please check the file and try again.";
inline constexpr const char* kMsgLyricCharactersUndrawable =
    "Some characters of the lyric file are in no installed font\nand will show as empty boxes on the karaoke screen:\n\n";
inline constexpr const char* kMsgReplaceTiming =
    "The LRC file you selected contains timing values\nfor the lyrics. However, timing values have already\n"
    "been placed for this project.\n\nWould you like to replace the current timing values\nwith those found in "
    "the LRC file?";

// The kind of a lyric file by its extension (".midi" counts as ".mid", letter case ignored).
LyricFileKind LyricKindOf(const std::string& path);

// The lyric text that a file's bytes give, in UTF-8 whatever the file's encoding (see
// DecodeTextBytes); lrc is filled for LRC files. Empty when the file holds no lyrics. A final line end is
// left out, so that the song gets no empty last line the file did not have.
std::string LyricTextFromBytes(LyricFileKind kind, std::span<const uint8_t> bytes, LrcDocument& lrc);

// Imports a lyric file as the song's lyric text: the old lines and their timing go, the line
// list is rebuilt. True when the lyrics were replaced; failures are told to the user, except a
// file of an unknown kind, which is ignored. Characters that had to be replaced are told as a
// warning.
// The characters of the song's lyric text that no installed font can draw: each once, with the
// first line (from 1) it is on. They show on the screen as the lyric font's missing-glyph box;
// an import names them and the editor marks the lines that have them.
std::vector<TextCharacter> UndrawableLyricCharacters(const KaraokeSong& song);

bool ImportLyricFile(KaraokeSong& song, const std::string& path, LrcDocument& lrc, UserPrompt& prompt);

// Writes the LRC times into the song's word elements, line by line and element by element,
// up to the shorter list. Asks first when the song's lyrics are already placed. True when the
// times were written.
bool ApplyLrcTiming(KaraokeSong& song, const LrcDocument& lrc, UserPrompt& prompt);
