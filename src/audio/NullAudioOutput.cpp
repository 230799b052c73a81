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
    const uint64_t rate = SampleRate();
    // The ideal schedule: frame k of the output is heard at start + k / rate. Each tick takes
    // what falls due before the next tick, as a card takes a period ahead of playing it.
    Clock::time_point start = Clock::now();
    uint64_t due = 0; // frames of the schedule taken so far, music or silence
    const auto heardAt = [&](uint64_t frame) {
        return start + std::chrono::nanoseconds(int64_t(frame * 1000000000u / rate));
    };
    std::unique_lock lock(m_mutex);
    do {
        const Clock::time_point now = Clock::now();
        const auto ahead = std::chrono::duration_cast<std::chrono::nanoseconds>(now + kTick - start).count();
        const uint64_t target = uint64_t(std::max<int64_t>(ahead, 0)) * rate / 1000000000u;
        if (target <= due) continue;
        uint64_t frames = target - due;
        if (frames > kMaxFramesPerTick) {
            // Past the cap the time is lost, as a card's would be after an overrun: the
            // schedule starts again with the first frame of this take heard now.
            frames = kMaxFramesPerTick;
            start = now - (heardAt(due) - start);
        }
        const auto untilHeard = std::chrono::duration_cast<std::chrono::nanoseconds>(heardAt(due) - now);
        due += frames;
        lock.unlock();
        const size_t taken = Consume(m_scratch.data(), size_t(frames), untilHeard);
        if (m_listener && taken > 0) m_listener(std::span<const int16_t>(m_scratch.data(), taken * kChannels));
        lock.lock();
    } while (!m_wake.wait_for(lock, kTick, [this] { return m_stopRequested; }));
}
