#pragma once
#include <condition_variable>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "audio/AudioOutput.h"

// A sound output without a device: a thread takes frames from the ring in real time, as a
// sound card would, and drops them. Used where there is no sound card or none is wanted
// (TESSAVOX_AUDIO=null), so the clock runs exactly as it would while music plays.
class NullAudioOutput : public AudioOutput {
public:
    // Receives the music frames as they are taken (16-bit stereo, interleaved), on the output's
    // thread. Silence played while the ring was empty is not passed on.
    using Listener = std::function<void(std::span<const int16_t>)>;

    explicit NullAudioOutput(Listener listener = {});
    ~NullAudioOutput() override;

    const char* Name() const override { return "null"; }

protected:
    bool OpenDevice(uint32_t sampleRate) override;
    bool StartDevice() override;
    void StopDevice() override;
    void CloseDevice() override;

private:
    void Run();

    Listener m_listener;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopRequested = false;
    std::vector<int16_t> m_scratch;
};
