#include "waveform/WaveformPeaks.h"

#include <algorithm>
#include <array>

#include "media/WaveStreamReader.h"

namespace {

void Merge(PeakPair& into, PeakPair from)
{
    into.low = std::min(into.low, from.low);
    into.high = std::max(into.high, from.high);
}

// Empty: merging a real pair into it gives that pair.
constexpr PeakPair kNoPeak{INT16_MAX, INT16_MIN};

} // namespace

void WaveformPeaks::Clear()
{
    m_levels.clear();
    m_frames = 0;
    m_sampleRate = 0;
}

bool WaveformPeaks::Build(const std::string& path, uint32_t dataBytes, std::string& why, bool (*keepGoing)(void*),
                          void* context)
{
    Clear();
    WaveStreamReader reader;
    if (!reader.Open(path) || (dataBytes != kFileLength && !reader.SetLength(dataBytes))) {
        why = reader.FailureText();
        return false;
    }
    return Build(reader, why, keepGoing, context);
}

bool WaveformPeaks::Build(WaveStreamReader& reader, std::string& why, bool (*keepGoing)(void*), void* context)
{
    Clear();
    const WaveFormat& format = reader.Format();
    const uint32_t frameBytes = format.FrameBytes();
    const bool eightBit = format.bitsPerSample == 8;
    if (frameBytes == 0 || (format.bitsPerSample != 8 && format.bitsPerSample != 16)) {
        why = "the music is not 8- or 16-bit PCM";
        return false;
    }
    const uint32_t samplesPerBlock = kBlockFrames * format.channels;
    m_levels.emplace_back();
    std::vector<PeakPair>& base = m_levels[0];
    base.reserve(size_t(reader.DataLeft() / frameBytes / kBlockFrames + 1));

    // Whole blocks of frames per read, so that a block never straddles two reads.
    std::vector<uint8_t> buffer(size_t(frameBytes) * kBlockFrames * 256);
    const size_t bytesPerSample = eightBit ? 1 : 2;
    uint64_t samples = 0;
    int sinceAsked = 0;
    for (;;) {
        size_t got = 0;
        if (!reader.Read(buffer, got)) {
            why = reader.FailureText();
            Clear();
            return false;
        }
        got -= got % frameBytes;
        const size_t count = got / bytesPerSample;
        for (size_t at = 0; at < count; at += samplesPerBlock) {
            const size_t stop = std::min(count, at + samplesPerBlock);
            int low = INT16_MAX, high = INT16_MIN;
            if (eightBit) {
                const uint8_t* p = buffer.data();
                for (size_t i = at; i < stop; ++i) {
                    const int v = (int(p[i]) - 128) * 256;
                    low = std::min(low, v);
                    high = std::max(high, v);
                }
            } else {
                const uint8_t* p = buffer.data();
                for (size_t i = at; i < stop; ++i) {
                    const int v = int16_t(uint16_t(p[2 * i] | (p[2 * i + 1] << 8)));
                    low = std::min(low, v);
                    high = std::max(high, v);
                }
            }
            base.push_back({int16_t(low), int16_t(high)});
        }
        samples += count;
        if (got < buffer.size()) break;
        if (keepGoing && ++sinceAsked == 16) {
            sinceAsked = 0;
            if (!keepGoing(context)) {
                why = "stopped";
                Clear();
                return false;
            }
        }
    }
    m_frames = samples / format.channels;
    m_sampleRate = format.sampleRate;
    AddCoarserLevels();
    return true;
}

void WaveformPeaks::AddCoarserLevels()
{
    while (m_levels.back().size() > 1) {
        const std::vector<PeakPair>& below = m_levels.back();
        std::vector<PeakPair> level((below.size() + kLevelFactor - 1) / kLevelFactor, kNoPeak);
        for (size_t i = 0; i < below.size(); ++i) Merge(level[i / kLevelFactor], below[i]);
        m_levels.push_back(std::move(level));
    }
}

PeakPair WaveformPeaks::Range(uint64_t first, uint64_t end) const
{
    if (Empty() || end <= first || first >= m_frames) return {};
    end = std::min(end, m_frames);
    uint64_t lo = first / kBlockFrames;
    uint64_t hi = (end + kBlockFrames - 1) / kBlockFrames;
    PeakPair out = kNoPeak;
    // Climb while the range still spans whole blocks of the next level: the ragged ends are
    // taken at this level, the middle from the coarser one.
    size_t level = 0;
    while (lo < hi) {
        const std::vector<PeakPair>& pairs = m_levels[level];
        const uint64_t upLo = (lo + kLevelFactor - 1) / kLevelFactor;
        const uint64_t upHi = hi / kLevelFactor;
        if (level + 1 >= m_levels.size() || upLo >= upHi) {
            for (uint64_t i = lo; i < hi; ++i) Merge(out, pairs[size_t(i)]);
            break;
        }
        for (uint64_t i = lo; i < upLo * kLevelFactor; ++i) Merge(out, pairs[size_t(i)]);
        for (uint64_t i = upHi * kLevelFactor; i < hi; ++i) Merge(out, pairs[size_t(i)]);
        lo = upLo;
        hi = upHi;
        ++level;
    }
    return out;
}
