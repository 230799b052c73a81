// The WAV reader with a lead-in of silence: any bytes open or are refused with a reason (and
// still give their header facts); what opens delivers the silence and then the data bytes, the
// same twice over after a reset, whatever the request sizes.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "media/WaveStreamReader.h"

namespace {

std::vector<uint8_t> ReadAll(WaveStreamReader& reader, size_t firstRequest)
{
    std::vector<uint8_t> out;
    std::vector<uint8_t> piece(70000); // beyond the reader's own buffer, so both paths run
    size_t request = firstRequest % piece.size() + 1;
    for (;;) {
        size_t delivered = 0;
        const bool ok = reader.Read(std::span<uint8_t>(piece.data(), request), delivered);
        if (delivered > request) std::abort();
        out.insert(out.end(), piece.begin(), piece.begin() + long(delivered));
        if (!ok || delivered < request) break;
        request = request * 7 % piece.size() + 1;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    // A byte of lead-in frames and one of first request size come before the file. (A long
    // lead-in in a file of thousands of channels is gigabytes of honest silence.)
    const uint32_t silentFrames = data[0];
    const size_t firstRequest = size_t(data[1]) * 97;
    const std::span<const uint8_t> bytes(data + 2, size - 2);

    WaveStreamReader reader;
    const bool opened = reader.Open(bytes, silentFrames);
    (void)reader.LengthMs();
    if (reader.DataBytes() > bytes.size()) std::abort();
    if (!opened) {
        if (reader.FailureText().empty()) std::abort();
        return 0;
    }
    const uint64_t total = reader.SilentBytes() + reader.DataBytes();
    const std::vector<uint8_t> first = ReadAll(reader, firstRequest);
    if (first.size() > total) std::abort();
    if (!reader.Reset()) std::abort();
    const std::vector<uint8_t> second = ReadAll(reader, firstRequest + 13);
    if (first != second) std::abort();
    return 0;
}
