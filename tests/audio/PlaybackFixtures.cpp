#include "PlaybackFixtures.h"

#include <cmath>

#include "audio/NullAudioOutput.h"

std::vector<int16_t> NumberedFrames(size_t frames)
{
    std::vector<int16_t> out;
    out.reserve(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        out.push_back(int16_t(i & 0x7FFF));
        out.push_back(int16_t(i >> 15));
    }
    return out;
}

std::vector<int16_t> StereoTone(size_t frames)
{
    std::vector<int16_t> out;
    out.reserve(frames * 2);
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / 44100.0;
        out.push_back(int16_t(std::lround(12000.0 * std::sin(2.0 * M_PI * 440.0 * t))));
        out.push_back(int16_t(std::lround(12000.0 * std::sin(2.0 * M_PI * 660.0 * t))));
    }
    return out;
}

MCdgPlayer::OutputFactory PlayedMusic::Factory()
{
    auto mutex = m_mutex;
    auto samples = m_samples;
    return [mutex, samples](bool) -> std::unique_ptr<AudioOutput> {
        return std::make_unique<NullAudioOutput>([mutex, samples](std::span<const int16_t> frames) {
            std::lock_guard lock(*mutex);
            samples->insert(samples->end(), frames.begin(), frames.end());
        });
    };
}

std::vector<int16_t> PlayedMusic::Samples() const
{
    std::lock_guard lock(*m_mutex);
    return *m_samples;
}

size_t PlayedMusic::Frames() const
{
    std::lock_guard lock(*m_mutex);
    return m_samples->size() / 2;
}
