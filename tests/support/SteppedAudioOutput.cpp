#include "support/SteppedAudioOutput.h"

#include <algorithm>
#include <chrono>

namespace {

// Frames taken are heard long before anybody looks: the heard count is the taken count.
constexpr auto kHeardLongAgo = std::chrono::hours(-1);

} // namespace

SteppedAudioOutput::SteppedAudioOutput(Listener listener) : m_listener(std::move(listener)) {}

SteppedAudioOutput::~SteppedAudioOutput()
{
    Close();
}

size_t SteppedAudioOutput::Advance(size_t frames)
{
    std::lock_guard lock(m_takeLock);
    // No more than the ring can hold is ever queued.
    frames = std::min<size_t>(frames, RingBytes() / kFrameBytes);
    if (!m_running.load() || frames == 0) return 0;
    m_scratch.resize(frames * kChannels);
    const size_t taken = Consume(m_scratch.data(), frames, kHeardLongAgo);
    if (m_listener && taken > 0) m_listener(std::span<const int16_t>(m_scratch.data(), taken * kChannels));
    return taken;
}

bool SteppedAudioOutput::OpenDevice(uint32_t)
{
    return true;
}

bool SteppedAudioOutput::StartDevice()
{
    std::lock_guard lock(m_takeLock);
    m_running.store(true);
    return true;
}

void SteppedAudioOutput::StopDevice()
{
    std::lock_guard lock(m_takeLock);
    m_running.store(false);
}

void SteppedAudioOutput::CloseDevice() {}
