#include "support/SteppedPlayback.h"

#include <algorithm>

#include "support/WaitUntil.h"

KaraokePlayer::OutputFactory SteppedPlayback::Factory()
{
    auto shared = m_shared;
    return [shared](bool) -> std::unique_ptr<AudioOutput> {
        auto output = std::make_unique<SteppedAudioOutput>([shared](std::span<const int16_t> frames) {
            std::lock_guard lock(shared->mutex);
            shared->samples.insert(shared->samples.end(), frames.begin(), frames.end());
        });
        std::lock_guard lock(shared->mutex);
        shared->current = output.get();
        return output;
    };
}

SteppedAudioOutput* SteppedPlayback::Current() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->current;
}

uint64_t SteppedPlayback::Play(KaraokePlayer& player, uint64_t frames)
{
    // The player starts its output once the first music is queued.
    SteppedAudioOutput* output = Current();
    if (output == nullptr || player.Output() != output) return 0;
    if (!WaitUntil([&] { return output->Running() || !player.IsPlaying(); })) return 0;
    const uint64_t from = output->PlayedFrames();
    const uint64_t target = from + frames;
    bool fed = true;
    while (output->PlayedFrames() < target && player.IsPlaying() && fed) {
        if (output->Advance(size_t(std::min<uint64_t>(target - output->PlayedFrames(), 1u << 20))) > 0) continue;
        // The ring ran dry: the feeder queues more once the clock has seen what was played.
        const uint64_t queued = output->QueuedBytes();
        fed = WaitUntil([&] { return output->QueuedBytes() > queued || !player.IsPlaying(); });
    }
    WaitUntil([&] { return !player.IsPlaying() || player.ClockHeardFrames() >= output->PlayedFrames(); });
    return output->PlayedFrames() - from;
}

uint64_t SteppedPlayback::PlayToEnd(KaraokePlayer& player)
{
    uint64_t played = 0;
    while (player.IsPlaying()) {
        const uint64_t step = Play(player, 1u << 20);
        if (step == 0 && player.IsPlaying()) {
            // Everything queued is heard; the player ends once its clock has seen that.
            WaitUntil([&] { return !player.IsPlaying(); });
        }
        played += step;
    }
    return played;
}

std::vector<int16_t> SteppedPlayback::Samples() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->samples;
}

size_t SteppedPlayback::Frames() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->samples.size() / AudioOutput::kChannels;
}
