#include "audio/PlaybackTexts.h"

std::string MusicUnplayableText(const std::string& path, const std::string& why)
{
    return "The music \"" + path + "\" cannot be played: " + why;
}

std::string SampleRateText(uint32_t sampleRate)
{
    return "it is sampled at " + std::to_string(sampleRate) +
           " Hz, and only 44,100 Hz work files can be played in step with the CD+G clock.";
}
