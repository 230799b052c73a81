#include "document/SongSnapshot.h"

#include <string>
#include <utility>
#include <zlib.h>

#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"

namespace {
// Fast compression: a snapshot is taken after every step, and page images are mostly one colour.
constexpr int kCompressionLevel = 1;
} // namespace

SongSnapshot SongSnapshot::Capture(const KaraokeSong& song)
{
    // The music is not part of the history: its path is left out of the bytes.
    const std::vector<uint8_t> raw = SerializeProject(song, false);

    SongSnapshot snapshot;
    snapshot.m_rawBytes = raw.size();
    uLongf size = compressBound(uLong(raw.size()));
    snapshot.m_compressed.resize(size);
    if (compress2(snapshot.m_compressed.data(), &size, raw.data(), uLong(raw.size()), kCompressionLevel) != Z_OK) {
        // Out of memory in zlib: keep the bytes as they are (marked by an equal size).
        snapshot.m_compressed = raw;
        return snapshot;
    }
    snapshot.m_compressed.resize(size);
    snapshot.m_compressed.shrink_to_fit();
    return snapshot;
}

std::vector<uint8_t> SongSnapshot::ProjectBytes() const
{
    if (m_compressed.size() == m_rawBytes) return m_compressed;
    std::vector<uint8_t> raw(m_rawBytes);
    uLongf size = uLongf(raw.size());
    if (uncompress(raw.data(), &size, m_compressed.data(), uLong(m_compressed.size())) != Z_OK || size != raw.size())
        return {};
    return raw;
}

bool SongSnapshot::RestoreInto(KaraokeSong& song) const
{
    const std::vector<uint8_t> raw = ProjectBytes();
    if (raw.empty()) return false;
    // The loader replaces the content; what belongs to the music is carried across it.
    std::string music = std::move(song.musicPath);
    std::string work = std::move(song.musicWorkPath);
    const uint32_t dataBytes = song.musicDataBytes;
    const uint32_t frameBytes = song.musicFrameBytes;
    const bool ok = bool(LoadProjectBytes(song, raw));
    song.musicPath = std::move(music);
    song.musicWorkPath = std::move(work);
    song.musicDataBytes = dataBytes;
    song.musicFrameBytes = frameBytes;
    return ok;
}
