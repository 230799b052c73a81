#include "audio/AudioOutputChoice.h"

#include <cstdlib>
#include <cstring>

#include "audio/NullAudioOutput.h"
#include "audio/PortAudioOutput.h"

std::unique_ptr<AudioOutput> CreateAudioOutput()
{
    const char* choice = std::getenv(kAudioOutputVariable);
    if (choice != nullptr && std::strcmp(choice, kAudioOutputNull) == 0) return std::make_unique<NullAudioOutput>();
    return std::make_unique<PortAudioOutput>();
}
