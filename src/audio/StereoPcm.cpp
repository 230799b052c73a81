#include "audio/StereoPcm.h"

#include <algorithm>

#include "media/ByteOrder.h"
#include "media/WavConstants.h"

namespace {

inline int16_t Sample(const uint8_t* p, bool eightBit)
{
    if (eightBit) return int16_t((int(*p) - kSample8Centre) * kSample8Scale);
    return int16_t(GetLe16(p));
}

} // namespace

void ToStereo16(const uint8_t* in, size_t frames, const WaveFormat& format, int16_t* out)
{
    const bool eightBit = format.bitsPerSample == kBits8;
    const size_t sampleBytes = eightBit ? 1 : 2;
    const size_t frameBytes = format.FrameBytes();
    const size_t rightOffset = format.channels > 1 ? sampleBytes : 0;
    for (size_t i = 0; i < frames; ++i, in += frameBytes) {
        *out++ = Sample(in, eightBit);
        *out++ = Sample(in + rightOffset, eightBit);
    }
}

size_t WidenToStereo16(std::span<const uint8_t> in, uint16_t channels, uint16_t bits, std::span<int16_t> out)
{
    if ((channels != 1 && channels != 2) || (bits != kBits8 && bits != kBits16)) return 0;
    WaveFormat format;
    format.channels = channels;
    format.bitsPerSample = bits;
    const size_t frames = std::min(in.size() / format.FrameBytes(), out.size() / 2);
    ToStereo16(in.data(), frames, format, out.data());
    return frames;
}
