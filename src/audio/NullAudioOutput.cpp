#include "audio/NullAudioOutput.h"

#include <chrono>

namespace {

// How often the thread takes what has become due; a sound card's period is of the same order.
constexpr auto kTick = std::chrono::milliseconds(5);
// A late wake-up never takes more than this at once (a stalled machine must not make the
// clock leap).
constexpr uint64_t kMaxFramesPerTick = 8192;

} // namespace

NullAudioOutput::NullAudioOutput(Listener listener) : m_listener(std::move(listener)) {}

NullAudioOutput::~NullAudioOutput()
{
    Close();
}

bool NullAudioOutput::OpenDevice(uint32_t)
{
    return true;
}

bool NullAudioOutput::StartDevice()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopRequested = false;
    }
    m_scratch.assign(size_t(kMaxFramesPerTick) * kChannels, 0);
    m_thread = std::thread([this] { Run(); });
    return true;
}

void NullAudioOutput::StopDevice()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopRequested = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void NullAudioOutput::CloseDevice() {}

void NullAudioOutput::Run()
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const uint64_t rate = SampleRate();
    uint64_t due = 0; // frames that real time has made due since the start
    std::unique_lock lock(m_mutex);
    while (!m_wake.wait_for(lock, kTick, [this] { return m_stopRequested; })) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
        const uint64_t now = uint64_t(elapsed) * rate / 1000000;
        uint64_t frames = now - due;
        due = now;
        // Past the cap the time is lost, as a card's would be after an overrun.
        frames = std::min(frames, kMaxFramesPerTick);
        if (frames == 0) continue;
        lock.unlock();
        const size_t taken = Consume(m_scratch.data(), size_t(frames));
        if (m_listener && taken > 0) m_listener(std::span<const int16_t>(m_scratch.data(), taken * kChannels));
        lock.lock();
    }
}
