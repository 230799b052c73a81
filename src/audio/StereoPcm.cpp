#include "audio/StereoPcm.h"

#include <algorithm>

#include "audio/WavConstants.h"
#include "media/ByteOrder.h"

size_t WidenToStereo16(std::span<const uint8_t> in, uint16_t channels, uint16_t bits, std::span<int16_t> out)
{
    if ((channels != 1 && channels != 2) || (bits != kBits8 && bits != kBits16)) return 0;
    const size_t sampleBytes = bits / 8u;
    const size_t frameBytes = sampleBytes * channels;
    const size_t frames = std::min(in.size() / frameBytes, out.size() / 2);
    const uint8_t* p = in.data();
    for (size_t f = 0; f < frames; ++f) {
        int16_t side[2];
        for (uint16_t c = 0; c < channels; ++c, p += sampleBytes) {
            side[c] = bits == kBits8 ? int16_t((int(*p) - kSample8Centre) * kSample8Scale) : int16_t(GetLe16(p));
        }
        out[2 * f] = side[0];
        out[2 * f + 1] = channels == 2 ? side[1] : side[0];
    }
    return frames;
}
