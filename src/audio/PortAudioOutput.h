#pragma once
#include <atomic>
#include <string>

#include "audio/AudioOutput.h"

// The sound card through PortAudio's callback interface: a 16-bit stereo stream whose callback
// takes its frames from the ring. The device is the default output, or the one that
// TESSAVOX_AUDIO_DEVICE names (its full name or the start of it).
class PortAudioOutput : public AudioOutput {
public:
    PortAudioOutput();
    ~PortAudioOutput() override;

    const char* Name() const override { return "PortAudio"; }
    // The device that was opened.
    const std::string& DeviceName() const { return m_deviceName; }
    // The stream's output latency as PortAudio reports it, plus the frames of the last callback:
    // the play cursor counts them as soon as they are handed over, and the last of them is
    // heard only after all of them have been played.
    uint32_t LatencyFrames() const override;

    // Called by PortAudio on its own thread.
    size_t Fill(int16_t* out, size_t frames)
    {
        m_callbackFrames.store(uint32_t(frames), std::memory_order_relaxed);
        return Consume(out, frames);
    }

protected:
    bool OpenDevice(uint32_t sampleRate) override;
    bool StartDevice() override;
    void StopDevice() override;
    void CloseDevice() override;

private:
    void* m_stream = nullptr; // PaStream*, kept out of the header
    bool m_initialized = false;
    std::string m_deviceName;
    std::atomic<uint32_t> m_callbackFrames{0};
};

inline constexpr const char* kAudioDeviceVariable = "TESSAVOX_AUDIO_DEVICE";
