#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class KaraokeSong;

// The stream buffer holds one 96-byte block of subcode for every 2,352-byte CD audio sector of
// the music, plus a reserve for the lead-in and the title and credits pages (about 180 s).
inline constexpr uint32_t kCdSectorAudioBytes = 2352;
inline constexpr uint32_t kCdSectorSubcodeBytes = 96;
inline constexpr uint32_t kStreamReserveSectors = 13514;

// A song's whole CD+G stream as the stream writer made it, with what the player and the
// exports need to play it against the music. The song it was made from is left as it was.
struct SongStream {
    // The music the stream is written over: its work file (empty without music), the sample
    // data bytes the file holds (0 when it was not counted) and the bytes of one sample frame.
    struct Music {
        std::string workPath;
        uint32_t dataBytes = 0;
        uint32_t frameBytes = 4;

        // The song's own music as it counted it.
        static Music Of(const KaraokeSong& song);
    };
    // When a line is drawn and erased, in samples.
    struct LineTimes {
        int32_t draw = 0;
        int32_t erase = 0;
    };

    // The stream buffer: zero-filled beyond the stream, as long as the music needs.
    std::vector<uint8_t> bytes;
    // The bytes the stream takes from the start of the buffer.
    size_t usedLength = 0;
    // Sample frames of silence to play before the music.
    uint32_t leadIn = 0;
    // One for each of the song's lines, in its order.
    std::vector<LineTimes> lineTimes;
    // The music's length for the player and the exports: its data bytes made as long as the
    // stream (read as silence past the file's end), or the file as it is (UINT32_MAX) when the
    // music was not counted.
    uint32_t musicBytes = UINT32_MAX;

    // The bytes of the stream itself.
    std::span<const uint8_t> Used() const { return std::span<const uint8_t>(bytes).first(std::min(usedLength, bytes.size())); }
    // The stream buffer's size for music of musicBytes at 4 bytes a sample frame.
    static uint32_t BufferBytes(uint32_t musicBytes)
    {
        return (musicBytes / kCdSectorAudioBytes + kStreamReserveSectors) * kCdSectorSubcodeBytes;
    }
};
