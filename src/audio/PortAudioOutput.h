#pragma once
#include <mutex>
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

    // Called by PortAudio on its own thread, with the time (on the stream's clock) at which the
    // first of these frames will leave the converter.
    size_t Fill(int16_t* out, size_t frames, double dacTime);
    // The played frames less the ones still in the device's latency, interpolated on the
    // stream's clock between callbacks.
    uint64_t HeardFrames() const override;

protected:
    bool OpenDevice(uint32_t sampleRate) override;
    bool StartDevice() override;
    void StopDevice() override;
    void CloseDevice() override;

private:
    void* m_stream = nullptr; // PaStream*, kept out of the header
    bool m_initialized = false;
    std::string m_deviceName;
    // What the last callback handed over: the played count after it and when its last frame
    // reaches the converter. 0 for the time when the device gave none.
    mutable std::mutex m_timingLock;
    uint64_t m_lastPlayed = 0;
    double m_lastDacEnd = 0;
    mutable uint64_t m_lastHeard = 0;
};

inline constexpr const char* kAudioDeviceVariable = "TESSAVOX_AUDIO_DEVICE";
