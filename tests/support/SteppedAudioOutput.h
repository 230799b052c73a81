#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

#include "audio/AudioOutput.h"

// A sound output whose time moves only when the test says so. Advance takes frames from the
// ring as a device's callback would and makes them heard at once, so a player's clock moves by
// exactly the music stepped through, however busy the machine is. It has no thread of its own.
class SteppedAudioOutput : public AudioOutput {
public:
    // Receives the music frames as they are taken (16-bit stereo, interleaved).
    using Listener = std::function<void(std::span<const int16_t>)>;

    explicit SteppedAudioOutput(Listener listener = {});
    ~SteppedAudioOutput() override;

    // Takes up to frames of queued music; nothing before Start or after Stop. Returns the frames
    // taken (fewer when the ring holds less).
    size_t Advance(size_t frames);
    // Started and not stopped since: Advance takes frames.
    bool Running() const { return m_running.load(); }

    const char* Name() const override { return "stepped"; }

protected:
    bool OpenDevice(uint32_t sampleRate) override;
    bool StartDevice() override;
    void StopDevice() override;
    void CloseDevice() override;

private:
    Listener m_listener;
    // Held while frames are taken: once StopDevice returns, nothing more is taken, as with a
    // device whose callback has been stopped.
    std::mutex m_takeLock;
    std::atomic<bool> m_running{false};
    std::vector<int16_t> m_scratch;
};
