#include "media/WavTexts.h"

#include <algorithm>
#include <cstdio>

#include "media/ByteOrder.h"
#include "media/WavConstants.h"

std::string WavOpenFailureText(const std::string& path, bool forWriting)
{
    std::string text = "Error : Unable to open file \"";
    text.append(path).append("\"").append(forWriting ? " for writing." : " for reading.");
    return text;
}

std::string WavSampleSizeText(uint16_t bits)
{
    std::string text = "\nOnly 8/16 bit sample WAV files supported in integer compilation. "
                       "Can't open WAV file with ";
    text.append(std::to_string(bits)).append(" bit sample format. ");
    return text;
}

uint16_t SubFormatTag(const uint8_t* guid)
{
    if (!std::equal(kSubFormatGuidTail.begin(), kSubFormatGuidTail.end(), guid + 2)) return 0;
    return GetLe16(guid);
}

uint16_t EffectiveFormatTag(const WaveFormat& format, uint16_t subFormatTag)
{
    return format.formatTag == kWaveFormatExtensible && subFormatTag != 0 ? subFormatTag : format.formatTag;
}

std::string WavFormatProblem(const WaveFormat& format, uint16_t subFormatTag)
{
    const uint16_t tag = EffectiveFormatTag(format, subFormatTag);
    if (tag != kWaveFormatPcm) {
        std::string what;
        if (tag == kWaveFormatFloat)
            what = "floating-point samples";
        else if (tag == kWaveFormatExtensible)
            what = "an extensible format of unknown kind";
        else {
            char text[16];
            std::snprintf(text, sizeof text, "0x%04X", unsigned(tag));
            what = std::string("compressed samples (format tag ") + text + ")";
        }
        return "Only uncompressed PCM WAV files are supported. Can't open WAV file with " + what + ".";
    }
    if (format.bitsPerSample != kBits8 && format.bitsPerSample != kBits16)
        return WavSampleSizeText(format.bitsPerSample);
    if (format.channels == 0 || format.sampleRate == 0) return kMsgWavBadFormat;
    return {};
}
