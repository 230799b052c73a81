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
    // The output latency PortAudio reported when the stream opened, in seconds.
    double LatencySeconds() const;

    // Called by PortAudio on its own thread: untilHeard is the host's time from now until the
    // first of the frames reaches the converter, or negative when the host cannot tell.
    size_t Fill(int16_t* out, size_t frames, double untilHeard);

    static constexpr double kMaxLatencySeconds = 1.0;

protected:
    bool OpenDevice(uint32_t sampleRate) override;
    bool StartDevice() override;
    void StopDevice() override;
    void CloseDevice() override;

private:
    void* m_stream = nullptr; // PaStream*, kept out of the header
    bool m_initialized = false;
    std::string m_deviceName;
    double m_streamLatency = 0.0;
};

inline constexpr const char* kAudioDeviceVariable = "TESSAVOX_AUDIO_DEVICE";
