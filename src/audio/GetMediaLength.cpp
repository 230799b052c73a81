#include "audio/GetMediaLength.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "audio/MusicDecoder.h"
#include "media/WaveStreamReader.h"

namespace {

constexpr uint64_t kBinSectorBytes = 2448; // 2,352 bytes of audio and 96 of subcode
constexpr uint64_t kCdgSectorBytes = 96;   // a .cdg file holds the subcode only
constexpr uint64_t kCdSectorsPerSecond = 75;
constexpr uint64_t kMsPerSecond = 1000;
constexpr int64_t kHundredNanosPerMs = 10000;

std::string LowerExtension(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

uint32_t ClampMs(uint64_t ms)
{
    return uint32_t(std::min<uint64_t>(ms, UINT32_MAX));
}

} // namespace

uint32_t GetMediaLength(const std::string& path, MediaLengthUnit unit)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return 0;
    const std::string ext = LowerExtension(path);
    uint32_t ms = 0;
    if (ext == ".wav") {
        WaveStreamReader wav;
        wav.Open(path); // a compressed WAV is not readable here but its header still gives a length
        ms = wav.LengthMs();
    } else if (ext == ".bin" || ext == ".cdg") {
        const uint64_t sectorBytes = ext == ".bin" ? kBinSectorBytes : kCdgSectorBytes;
        const uintmax_t size = std::filesystem::file_size(path, ec);
        ms = ec ? 0 : ClampMs(uint64_t(size) * kMsPerSecond / sectorBytes / kCdSectorsPerSecond);
    } else {
        MusicDecoder probe;
        MusicTags tags;
        if (probe.ReadTags(path, tags)) {
            int64_t duration = tags.duration;
            if (duration <= 0) duration = probe.MeasureDuration(path);
            ms = duration > 0 ? ClampMs(uint64_t(duration / kHundredNanosPerMs)) : 0;
        }
    }
    return unit == MediaLengthUnit::Seconds ? ms / uint32_t(kMsPerSecond) : ms;
}
