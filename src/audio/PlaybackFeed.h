#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "audio/AudioOutput.h"
#include "media/WaveFormat.h"
#include "media/WaveStreamReader.h"

class TimeStretcher;

// Playback runs at the CD sample rate, in segments of about 173 ms: 30,576 bytes rounded down to
// whole frames of the output (16-bit stereo), 16 of them in the output's ring.
inline constexpr uint32_t kPlaybackSampleRate = 44100;
inline constexpr uint32_t kSegmentBaseBytes = 30576;
inline constexpr uint32_t kSegmentBytes = kSegmentBaseBytes - kSegmentBaseBytes % AudioOutput::kFrameBytes;
inline constexpr uint32_t kSegmentFrames = kSegmentBytes / AudioOutput::kFrameBytes;
inline constexpr uint32_t kBufferSegments = 16;
inline constexpr uint32_t kBufferBytes = kBufferSegments * kSegmentBytes;

// Tempo change in percent: the views offer 50 % to 100 % of the normal tempo.
inline constexpr int kMinTempoChange = -50;
inline constexpr int kMaxTempoChange = 0;

// The music as the sound output wants it: the lead-in silence and then the work file's samples,
// as 16-bit stereo, one segment at a time, slowed down by the time stretcher once a tempo change
// has been asked for. The feeder thread of the player drives it; benchmarks and tests drive it
// directly.
class PlaybackFeed {
public:
    PlaybackFeed();
    ~PlaybackFeed();
    PlaybackFeed(const PlaybackFeed&) = delete;
    PlaybackFeed& operator=(const PlaybackFeed&) = delete;

    // Opens an 8- or 16-bit PCM work file at 44,100 Hz behind leadInFrames of silence, its
    // music musicBytes long (silence after the file's samples; kFileLength: as the file holds).
    // False with FailureText when it cannot be played.
    bool Open(const std::string& path, uint32_t leadInFrames, uint32_t musicBytes = kFileLength);
    // The bytes must stay alive while the feed is open.
    bool Open(std::span<const uint8_t> bytes, uint32_t leadInFrames);
    bool Open(std::vector<uint8_t>&& bytes, uint32_t leadInFrames) = delete;
    void Close();

    bool IsOpen() const { return m_reader.IsOpen(); }
    const std::string& FailureText() const { return m_failure; }
    const WaveFormat& Format() const { return m_reader.Format(); }
    uint32_t LeadInFrames() const { return m_leadInFrames; }
    // Whole frames of music in the work file.
    uint32_t MusicFrames() const { return m_musicFrames; }

    // Reads and throws away whole segments while what was read stays below one segment short
    // of startFrame (frames from the start of the lead-in). Returns the frames thrown away:
    // playback resumes at most one segment before startFrame, never after it.
    uint32_t SkipTo(uint32_t startFrame);

    // The next segment of 16-bit stereo into out (at least kSegmentFrames frames): returns the
    // frames written, fewer than a segment only at the end of the music (then Ended()).
    // Once tempoChange has been non-zero, every later segment goes through the time stretcher,
    // even at tempo 0 again, so the music does not jump by what the stretcher holds.
    size_t Next(std::span<int16_t> out, int tempoChange);
    bool Ended() const;
    bool Stretching() const { return m_stretching; }
    // Set when a read failed; the feed then ends as if the music had.
    bool ReadFailed() const { return m_readFailed; }

private:
    bool Begin(uint32_t leadInFrames, const std::string& name);
    size_t ReadFrames(size_t frames);

    WaveStreamReader m_reader;
    std::unique_ptr<TimeStretcher> m_stretcher;
    std::vector<uint8_t> m_raw;
    std::vector<int16_t> m_stereo;
    uint32_t m_leadInFrames = 0;
    uint32_t m_musicFrames = 0;
    bool m_inputEnded = false;
    bool m_stretching = false;
    bool m_readFailed = false;
    std::string m_failure;
};
