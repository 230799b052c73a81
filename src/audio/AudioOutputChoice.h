#pragma once
#include <memory>

#include "audio/AudioOutput.h"

// The environment variable that chooses the output: "null" plays without a device.
inline constexpr const char* kAudioOutputVariable = "TESSAVOX_AUDIO";
inline constexpr const char* kAudioOutputNull = "null";

// The output the environment asks for: the device-less one when TESSAVOX_AUDIO is "null",
// otherwise the sound device through PortAudio.
std::unique_ptr<AudioOutput> CreateAudioOutput();
