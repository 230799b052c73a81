#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class KaraokeSong;

// The song's content as its project file holds it, without the music (undo never changes the
// music), kept compressed: a 200-line song with three full-screen pages is a few kilobytes.
class SongSnapshot {
public:
    static SongSnapshot Capture(const KaraokeSong& song);
    // Puts the content back into the song. Music (as counted), path and prompt stay as they
    // are. False only for a snapshot that cannot be
    // read back, which leaves the song as it was.
    bool RestoreInto(KaraokeSong& song) const;

    // The project bytes the snapshot holds (music path empty).
    std::vector<uint8_t> ProjectBytes() const;
    size_t StoredBytes() const { return m_compressed.size(); }
    bool operator==(const SongSnapshot& other) const
    {
        return m_rawBytes == other.m_rawBytes && m_compressed == other.m_compressed;
    }

private:
    std::vector<uint8_t> m_compressed;
    size_t m_rawBytes = 0;
};
