#pragma once
#include <cstddef>
#include <cstdint>

class KaraokeSong;

// What every export starts with: the line list rebuilt with final text and the song's whole
// CD+G stream written into its stream buffer.
struct SongExportStream {
    uint32_t leadIn = 0;    // silent sample frames before the music
    size_t usedLength = 0;  // bytes of the stream buffer the stream uses
    // Silent frames after the music: none, because the stream writer has already made the
    // song's music as long as the stream (musicDataBytes; read as silence past the file's end).
    uint32_t tail = 0;
};

SongExportStream PrepareSongExportStream(KaraokeSong& song);
