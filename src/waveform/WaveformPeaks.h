#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class WaveStreamReader;

// The lowest and highest sample of a stretch of music, 8-bit samples scaled to 16 bits.
struct PeakPair {
    int16_t low = 0;
    int16_t high = 0;
};

// Min/max peaks of a work WAV for drawing its waveform: level 0 holds one pair per 256 sample
// frames (all channels together), each further level one pair per 4 pairs of the level below.
// Built in one pass through the streaming reader, so the song's length rule holds: data past
// the end of the file is silence.
class WaveformPeaks {
public:
    static constexpr uint32_t kBlockFrames = 256;
    static constexpr uint32_t kLevelFactor = 4;

    // Reads the WAV at path with exactly dataBytes of sample data (kFileLength: the file's
    // own). False with why when it cannot be read, or stopped when keepGoing said no (it is
    // asked about every few megabytes); the peaks are then empty.
    bool Build(const std::string& path, uint32_t dataBytes, std::string& why, bool (*keepGoing)(void*) = nullptr,
               void* context = nullptr);
    // Reads an open reader from where it stands to its end.
    bool Build(WaveStreamReader& reader, std::string& why, bool (*keepGoing)(void*) = nullptr, void* context = nullptr);
    void Clear();

    bool Empty() const { return m_levels.empty() || m_levels[0].empty(); }
    uint64_t Frames() const { return m_frames; }
    uint32_t SampleRate() const { return m_sampleRate; }
    size_t LevelCount() const { return m_levels.size(); }
    std::span<const PeakPair> Level(size_t level) const { return m_levels[level]; }

    // The peaks of frames [first, end), to the resolution of the 256-frame blocks: every block
    // the range touches counts whole. Taken from the coarsest levels that fit; a range outside
    // the music is silence ({0, 0}).
    PeakPair Range(uint64_t first, uint64_t end) const;

private:
    void AddCoarserLevels();

    std::vector<std::vector<PeakPair>> m_levels;
    uint64_t m_frames = 0;
    uint32_t m_sampleRate = 0;
};
