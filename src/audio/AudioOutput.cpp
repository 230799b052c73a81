#include "audio/AudioOutput.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>


AudioOutput::AudioOutput() = default;

AudioOutput::~AudioOutput() = default;

bool AudioOutput::Open(uint32_t sampleRate, uint32_t ringBytes)
{
    Close();
    m_failure.clear();
    ringBytes -= ringBytes % kFrameBytes;
    if (sampleRate == 0 || ringBytes == 0) {
        m_failure = "The sound output needs a sample rate and a buffer.";
        return false;
    }
    {
        std::lock_guard lock(m_ringLock);
        m_ring.assign(ringBytes, 0);
        m_queuedBytes = 0;
    }
    m_playedFrames.store(0, std::memory_order_release);
    {
        std::lock_guard lock(m_ringLock);
        m_lastTake = {};
    }
    m_sampleRate = sampleRate;
    if (!OpenDevice(sampleRate)) {
        std::lock_guard lock(m_ringLock);
        m_ring.clear();
        return false;
    }
    m_open = true;
    return true;
}

bool AudioOutput::Start()
{
    if (!m_open) return false;
    if (m_started) return true;
    m_started = StartDevice();
    return m_started;
}

void AudioOutput::Stop()
{
    if (!m_started) return;
    StopDevice();
    m_started = false;
    // The device drops what it held: the sound, and the heard count, stop here.
    const auto now = std::chrono::steady_clock::now();
    const uint64_t heard = HeardFrames(now);
    std::lock_guard lock(m_ringLock);
    m_lastTake = {heard, 0, now, now};
}

void AudioOutput::Close()
{
    Stop();
    if (m_open) CloseDevice();
    m_open = false;
    std::lock_guard lock(m_ringLock);
    m_ring.clear();
    m_queuedBytes = 0;
}

uint64_t AudioOutput::QueuedBytes() const
{
    std::lock_guard lock(m_ringLock);
    return m_queuedBytes;
}

uint64_t AudioOutput::HeardFrames(std::chrono::steady_clock::time_point at) const
{
    std::lock_guard lock(m_ringLock);
    const Take& take = m_lastTake;
    if (take.count == 0 || m_sampleRate == 0) return take.before;
    const int64_t sinceHeard = std::chrono::duration_cast<std::chrono::nanoseconds>(at - take.heardAt).count();
    // Before its first frame sounds, the take's predecessors are still playing.
    const int64_t frames = sinceHeard >= 0 ? int64_t(uint64_t(sinceHeard) * m_sampleRate / 1000000000u)
                                           : -int64_t(uint64_t(-sinceHeard) * m_sampleRate / 1000000000u) - 1;
    const int64_t heard = int64_t(take.before) + frames;
    return uint64_t(std::clamp<int64_t>(heard, 0, int64_t(take.before + take.count)));
}

bool AudioOutput::Append(std::span<const uint8_t> data)
{
    std::lock_guard lock(m_ringLock);
    const uint64_t size = m_ring.size();
    const uint64_t played = m_playedFrames.load(std::memory_order_relaxed) * kFrameBytes;
    if (size == 0 || m_queuedBytes - played + data.size() > size) return false;
    size_t done = 0;
    while (done < data.size()) {
        const size_t at = size_t((m_queuedBytes + done) % size);
        const size_t n = std::min(data.size() - done, size_t(size) - at);
        std::memcpy(m_ring.data() + at, data.data() + done, n);
        done += n;
    }
    m_queuedBytes += data.size();
    return true;
}

size_t AudioOutput::Consume(int16_t* out, size_t frames, std::chrono::nanoseconds untilHeard)
{
    size_t taken = 0;
    Take take;
    {
        std::lock_guard lock(m_ringLock);
        const uint64_t size = m_ring.size();
        const uint64_t played = m_playedFrames.load(std::memory_order_relaxed);
        if (size != 0) taken = size_t(std::min<uint64_t>(frames, (m_queuedBytes - played * kFrameBytes) / kFrameBytes));
        auto* dst = reinterpret_cast<uint8_t*>(out);
        size_t done = 0;
        const size_t bytes = taken * kFrameBytes;
        while (done < bytes) {
            const size_t at = size_t((played * kFrameBytes + done) % size);
            const size_t n = std::min(bytes - done, size_t(size) - at);
            std::memcpy(dst + done, m_ring.data() + at, n);
            done += n;
        }
        m_playedFrames.store(played + taken, std::memory_order_release);
        if (taken > 0) {
            const auto now = std::chrono::steady_clock::now();
            take = {played, taken, now, now + untilHeard};
            m_lastTake = take;
        }
    }
    if (taken > 0 && m_takeObserver) m_takeObserver(take);
    if (taken < frames) std::memset(out + taken * kChannels, 0, (frames - taken) * kFrameBytes);
    return taken;
}
