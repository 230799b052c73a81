#include "lyrics/MidiFile.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kChunkHeaderBytes = 8;
constexpr size_t kHeaderBodyBytes = 6;
constexpr uint8_t kMetaEvent = 0xFF;
constexpr uint8_t kSysEx = 0xF0;
constexpr uint8_t kSysExEscape = 0xF7;
constexpr uint8_t kStatusBit = 0x80;
constexpr uint8_t kEndOfTrack = 0x2F;
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kChannelMask = 0x0F;
constexpr uint8_t kKindMask = 0xF0;
constexpr size_t kKeys = 128;
constexpr size_t kChannels = 16;
// A file with more tracks than this is no song.
constexpr size_t kMaxTracks = 1024;
// 120 beats a minute until the file says otherwise.
constexpr uint32_t kDefaultMicrosPerQuarter = 500000;
constexpr uint16_t kSmpteDivisionBit = 0x8000;
constexpr int64_t kMicrosPerHundredth = 10000;
constexpr int64_t kMicrosPerSecond = 1000000;
constexpr int kDropFrameCode = 29;
constexpr long double kDropFrameRate = 29.97L;

uint32_t Be32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// A variable-length number of at most four bytes; false past the end.
bool ReadVarLen(std::span<const uint8_t> bytes, size_t& pos, uint32_t& value)
{
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= bytes.size()) return false;
        const uint8_t b = bytes[pos++];
        value = (value << 7) | (b & 0x7F);
        if (!(b & 0x80)) return true;
    }
    return true;
}

// Data bytes that follow a channel status.
size_t ChannelDataBytes(uint8_t status)
{
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// Data bytes of the system common and real-time messages (F1-FE other than F0, F7, FF).
size_t SystemDataBytes(uint8_t status)
{
    switch (status) {
    case 0xF1:
    case 0xF3: return 1;
    case 0xF2: return 2;
    default: return 0;
    }
}

} // namespace

bool MidiFile::Read(std::span<const uint8_t> bytes)
{
    m_tracks.clear();
    m_tempos.clear();
    if (bytes.size() < kChunkHeaderBytes + kHeaderBodyBytes || std::memcmp(bytes.data(), "MThd", 4) != 0) return false;
    const uint32_t headerSize = Be32(bytes.data() + 4);
    if (headerSize < kHeaderBodyBytes) return false;
    const uint8_t* h = bytes.data() + kChunkHeaderBytes;
    m_division = uint16_t(h[4] << 8 | h[5]);
    if (m_division == 0) m_division = 96;

    size_t pos = kChunkHeaderBytes + std::min<size_t>(headerSize, bytes.size() - kChunkHeaderBytes);
    while (pos + kChunkHeaderBytes <= bytes.size() && m_tracks.size() < kMaxTracks) {
        const uint8_t* chunk = bytes.data() + pos;
        const size_t size = std::min<size_t>(Be32(chunk + 4), bytes.size() - pos - kChunkHeaderBytes);
        if (std::memcmp(chunk, "MTrk", 4) == 0) ReadTrack(bytes.subspan(pos + kChunkHeaderBytes, size));
        pos += kChunkHeaderBytes + size;
    }
    std::stable_sort(m_tempos.begin(), m_tempos.end(), [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    return !m_tracks.empty();
}

bool MidiFile::ReadTrack(std::span<const uint8_t> chunk)
{
    MidiTrack& track = m_tracks.emplace_back();
    // The notes sounding, by channel and key: the index of each in track.notes from `first` on,
    // most recent last (a key struck again before its release ends the earliest first).
    struct Sounding {
        std::vector<size_t> notes;
        size_t first = 0;
    };
    std::vector<Sounding> sounding(kChannels * kKeys);
    uint64_t tick = 0;
    uint8_t running = 0;
    size_t pos = 0;
    while (pos < chunk.size()) {
        uint32_t delta = 0;
        if (!ReadVarLen(chunk, pos, delta) || pos >= chunk.size()) return false;
        tick += delta;
        uint8_t status = chunk[pos];
        if (status & kStatusBit) {
            ++pos;
        } else if (running) {
            status = running; // running status: this byte is already data
        } else {
            return false;
        }
        if (status == kMetaEvent) {
            if (pos >= chunk.size()) return false;
            const uint8_t type = chunk[pos++];
            uint32_t length = 0;
            if (!ReadVarLen(chunk, pos, length)) return false;
            const size_t n = std::min<size_t>(length, chunk.size() - pos);
            if (type == kEndOfTrack) return true;
            track.metas.push_back({tick, type, std::string(reinterpret_cast<const char*>(chunk.data() + pos), n)});
            if (type == kTempo && n == 3) {
                const uint32_t micros = uint32_t(chunk[pos]) << 16 | uint32_t(chunk[pos + 1]) << 8 | chunk[pos + 2];
                if (micros > 0) m_tempos.push_back({tick, micros});
            }
            pos += n;
        } else if (status == kSysEx || status == kSysExEscape) {
            uint32_t length = 0;
            if (!ReadVarLen(chunk, pos, length)) return false;
            pos += std::min<size_t>(length, chunk.size() - pos);
            running = 0;
        } else if (status >= 0xF0) {
            pos += SystemDataBytes(status);
        } else {
            running = status;
            const size_t n = ChannelDataBytes(status);
            const uint8_t kind = status & kKindMask;
            if ((kind == kNoteOn || kind == kNoteOff) && pos + n <= chunk.size()) {
                const uint8_t channel = status & kChannelMask;
                Sounding& open = sounding[channel * kKeys + (chunk[pos] & 0x7F)];
                if (kind == kNoteOn && chunk[pos + 1] != 0) {
                    open.notes.push_back(track.notes.size());
                    track.notes.push_back({tick, tick, channel});
                } else if (open.first < open.notes.size()) {
                    track.notes[open.notes[open.first++]].endTick = tick;
                    if (open.first == open.notes.size()) open = Sounding{};
                }
            }
            pos += n;
        }
    }
    return true;
}

int64_t MidiFile::HundredthsAt(uint64_t tick) const
{
    return MicrosAt(tick) / kMicrosPerHundredth;
}

int64_t MidiFile::MicrosAt(uint64_t tick) const
{
    if (m_division & kSmpteDivisionBit) {
        // Frames a second (negative, in the high byte) times ticks a frame; "29" is 30 frames
        // with drop-frame counting, 29.97 a second.
        const int framesPerSecond = -int(int8_t(m_division >> 8));
        const int ticksPerFrame = std::max(m_division & 0xFF, 1);
        const long double frames = framesPerSecond == kDropFrameCode ? kDropFrameRate : std::max(framesPerSecond, 1);
        return int64_t((long double)tick * kMicrosPerSecond / (frames * ticksPerFrame));
    }
    // Microseconds add up tempo span by tempo span.
    long double micros = 0;
    uint64_t at = 0;
    uint32_t perQuarter = kDefaultMicrosPerQuarter;
    for (const TempoChange& change : m_tempos) {
        if (change.tick >= tick) break;
        micros += (long double)(change.tick - at) * perQuarter / m_division;
        at = change.tick;
        perQuarter = change.microsPerQuarter;
    }
    micros += (long double)(tick - at) * perQuarter / m_division;
    return int64_t(micros + 0.5L);
}
