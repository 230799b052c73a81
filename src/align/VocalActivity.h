#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Where someone sings: the level of every 10 ms of the signal against a threshold 40 dB under
// its loudest stretch, or 6 dB over the level the seconds around it keep between phrases when
// music plays there, and the runs of singing that come out of it.
class VocalActivity {
public:
    static constexpr int kFrameSamples = 160; // 10 ms at 16 kHz

    struct Run {
        size_t first = 0; // frames
        size_t end = 0;   // frames, exclusive
        size_t Length() const { return end - first; }
    };

    explicit VocalActivity(const std::vector<int16_t>& samples);

    // The level in dB of every window of samples, one every hop samples.
    static std::vector<float> Levels(const std::vector<int16_t>& samples, size_t hop, size_t window);

    size_t Frames() const { return m_active.size(); }
    bool Active(size_t frame) const { return frame < m_active.size() && m_active[frame]; }
    // The share of frames in [first, end) that are active.
    double ActiveShare(size_t first, size_t end) const;
    // Runs of singing, joined over pauses shorter than minGap frames.
    std::vector<Run> Runs(size_t minGap) const;

    // Spans [first, end) in frames for lines of these relative lengths, in order: each line
    // takes whole runs of singing, the runs shared so that each line's singing lasts about what
    // its weight asks. With fewer runs than lines the singing is shared out by weight. Only
    // the singing within [first, end) is shared, runs cut at its edges (end 0: to the last frame).
    std::vector<Run> LineSpans(const std::vector<double>& weights, size_t first = 0, size_t end = 0) const;

private:
    std::vector<uint8_t> m_active;
    std::vector<uint32_t> m_prefix; // active frames before each frame
};
