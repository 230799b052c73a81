// The whole-file WAV reader: any bytes open or are refused with a reason; what opens reads
// exactly its data bytes as samples, in requests of changing sizes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "audio/WavInFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WavInFile wav;
    const std::span<const uint8_t> bytes(data, size);
    if (!wav.Open(bytes)) {
        if (wav.FailureText().empty()) std::abort();
        return 0;
    }
    (void)wav.SampleFrames();
    (void)wav.LengthMs();
    std::vector<int16_t> samples(4099);
    size_t request = 1;
    uint64_t delivered = 0;
    for (;;) {
        const size_t got = wav.Read(std::span<int16_t>(samples.data(), request));
        if (got > request) std::abort();
        delivered += got;
        if (got == 0) break;
        request = request * 3 % samples.size() + 1;
    }
    // 8-bit files give a sample a byte, 16-bit ones a sample for two.
    const uint64_t expected = wav.BitsPerSample() == 8 ? wav.DataBytes() : wav.DataBytes() / 2;
    if (delivered != expected) std::abort();
    return 0;
}
