// Plain text lyric import (8-bit or UTF-16 with its mark): any bytes give lyric text, and
// the text with its markup becomes a song's line list.
#include <cstdint>
#include <span>
#include <string>

#include "lyrics/LrcDocument.h"
#include "lyrics/LyricImport.h"
#include "project/KaraokeSong.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LrcDocument lrc;
    std::string text = LyricTextFromBytes(LyricFileKind::Text, std::span<const uint8_t>(data, size), lrc);
    if (text.empty()) return 0;
    KaraokeSong song;
    song.lyricText = std::move(text);
    song.GenerateKaraokeLineList(true, false);
    song.CalcLineAndPageNumbers();
    song.GenerateKaraokeLineList(true, true);
    return 0;
}
