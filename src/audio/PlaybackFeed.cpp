#include "audio/PlaybackFeed.h"

#include <algorithm>
#include <cstring>

#include "audio/PlaybackTexts.h"
#include "audio/StereoPcm.h"
#include "audio/TimeStretcher.h"

PlaybackFeed::PlaybackFeed() = default;

PlaybackFeed::~PlaybackFeed() = default;

bool PlaybackFeed::Open(const std::string& path, uint32_t leadInFrames, uint32_t musicBytes)
{
    Close();
    if (!m_reader.Open(path, leadInFrames) || !m_reader.SetLength(musicBytes)) {
        m_failure = MusicUnplayableText(path, m_reader.FailureText());
        return false;
    }
    return Begin(leadInFrames, path);
}

bool PlaybackFeed::Open(std::span<const uint8_t> bytes, uint32_t leadInFrames)
{
    Close();
    if (!m_reader.Open(bytes, leadInFrames)) {
        m_failure = MusicUnplayableText("(memory)", m_reader.FailureText());
        return false;
    }
    return Begin(leadInFrames, "(memory)");
}

bool PlaybackFeed::Begin(uint32_t leadInFrames, const std::string& name)
{
    const WaveFormat& format = m_reader.Format();
    if (format.sampleRate != kPlaybackSampleRate) {
        m_failure = MusicUnplayableText(name, SampleRateText(format.sampleRate));
        m_reader.Close();
        return false;
    }
    m_leadInFrames = leadInFrames;
    m_musicFrames = m_reader.DataBytes() / format.FrameBytes();
    m_raw.resize(size_t(kSegmentFrames) * format.FrameBytes());
    m_stereo.resize(size_t(kSegmentFrames) * AudioOutput::kChannels);
    return true;
}

void PlaybackFeed::Close()
{
    m_reader.Close();
    m_stretcher.reset();
    m_leadInFrames = 0;
    m_musicFrames = 0;
    m_inputEnded = false;
    m_stretching = false;
    m_readFailed = false;
    m_failure.clear();
}

size_t PlaybackFeed::ReadFrames(size_t frames)
{
    if (m_inputEnded || !m_reader.IsOpen()) return 0;
    const size_t frameBytes = m_reader.Format().FrameBytes();
    size_t got = 0;
    if (!m_reader.Read(std::span(m_raw).first(frames * frameBytes), got)) {
        m_readFailed = true;
        m_failure = m_reader.FailureText();
    }
    // A trailing partial frame is not music.
    const size_t whole = got / frameBytes;
    if (whole < frames) m_inputEnded = true;
    return whole;
}

uint32_t PlaybackFeed::SkipTo(uint32_t startFrame)
{
    const uint64_t limit = startFrame > kSegmentFrames ? startFrame - kSegmentFrames : 0;
    uint64_t skipped = 0;
    while (skipped < limit && !m_inputEnded) skipped += ReadFrames(kSegmentFrames);
    return uint32_t(skipped);
}

size_t PlaybackFeed::Next(std::span<int16_t> out, int tempoChange)
{
    if (out.size() < size_t(kSegmentFrames) * AudioOutput::kChannels) return 0;
    tempoChange = std::clamp(tempoChange, kMinTempoChange, kMaxTempoChange);
    const WaveFormat& format = m_reader.Format();

    if (tempoChange != 0 && !m_stretching) {
        m_stretching = true;
        if (!m_stretcher) m_stretcher = std::make_unique<TimeStretcher>(kPlaybackSampleRate, tempoChange);
    }
    if (!m_stretching) {
        const size_t frames = ReadFrames(kSegmentFrames);
        ToStereo16(m_raw.data(), frames, format, out.data());
        return frames;
    }

    m_stretcher->SetTempoChange(tempoChange);
    // Feed the stretcher until a whole segment is ready, so that every segment but the last is
    // full and the stretcher never holds more than about a segment.
    while (m_stretcher->Ready() < kSegmentFrames && !m_inputEnded) {
        const size_t frames = ReadFrames(kSegmentFrames);
        ToStereo16(m_raw.data(), frames, format, m_stereo.data());
        m_stretcher->Put(m_stereo.data(), frames);
        if (m_inputEnded) m_stretcher->Flush();
    }
    return m_stretcher->Receive(out.data(), kSegmentFrames);
}

bool PlaybackFeed::Ended() const
{
    return m_inputEnded && (!m_stretching || m_stretcher->Ready() == 0);
}
