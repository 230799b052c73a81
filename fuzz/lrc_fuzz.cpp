// LRC import: any bytes parse (as the import reads a .lrc file), and the result becomes a
// song's lyric text and line list with its times applied.
#include <cstdint>
#include <span>
#include <string>

#include "lyrics/LrcDocument.h"
#include "lyrics/LyricImport.h"
#include "project/KaraokeSong.h"
#include "text/UserPrompt.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LrcDocument lrc;
    std::string text = LyricTextFromBytes(LyricFileKind::Lrc, std::span<const uint8_t>(data, size), lrc);
    if (text.empty()) return 0;
    KaraokeSong song;
    song.lyricText = std::move(text);
    song.GenerateKaraokeLineList(true, false);
    SilentUserPrompt prompt;
    ApplyLrcTiming(song, lrc, prompt);
    song.CalcLineAndPageNumbers();
    return 0;
}
