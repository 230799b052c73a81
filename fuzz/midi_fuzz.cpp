// MIDI and KAR lyric extraction: any bytes give lyrics or nothing, and the lyrics become a
// song's line list.
#include <cstdint>
#include <span>
#include <string>

#include "lyrics/LrcDocument.h"
#include "lyrics/LyricImport.h"
#include "project/KaraokeSong.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LrcDocument lrc;
    std::string text = LyricTextFromBytes(LyricFileKind::Midi, std::span<const uint8_t>(data, size), lrc);
    if (text.empty()) return 0;
    KaraokeSong song;
    song.lyricText = std::move(text);
    song.GenerateKaraokeLineList(true, false);
    song.CalcLineAndPageNumbers();
    return 0;
}
