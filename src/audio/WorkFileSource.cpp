#include "audio/WorkFileSource.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "media/ByteOrder.h"
#include "media/WavConstants.h"

namespace {

constexpr std::array<uint8_t, 4> kListId = {'L', 'I', 'S', 'T'};
constexpr std::array<uint8_t, 4> kInfoId = {'I', 'N', 'F', 'O'};
constexpr std::array<uint8_t, 4> kSourceId = {'I', 'S', 'R', 'F'};
constexpr long kRiffSizeAt = 4;
constexpr long kFirstChunkAt = 12;
constexpr uint32_t kListTypeBytes = 4;
// A real work file has three chunks; walking more is reading something else.
constexpr int kMaxChunks = 16;
// A path longer than this is no path we wrote.
constexpr uint32_t kMaxSourceBytes = 4096;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool ReadAt(std::FILE* f, long at, uint8_t* out, size_t bytes)
{
    return std::fseek(f, at, SEEK_SET) == 0 && std::fread(out, 1, bytes, f) == bytes;
}

} // namespace

bool AppendWorkFileSource(const std::string& workPath, const std::string& sourcePath)
{
    FilePtr f(std::fopen(workPath.c_str(), "r+b"));
    if (!f || std::fseek(f.get(), 0, SEEK_END) != 0) return false;
    const long end = std::ftell(f.get());
    if (end < long(kFirstChunkAt) || sourcePath.empty() || sourcePath.size() >= kMaxSourceBytes) return false;

    std::vector<uint8_t> note;
    // Chunks start on even offsets.
    if (end % 2 != 0) note.push_back(0);
    const uint32_t textBytes = uint32_t(sourcePath.size() + 1); // with its terminating NUL
    const uint32_t textPad = textBytes % 2;
    const uint32_t listBytes = kListTypeBytes + kChunkHeaderBytes + textBytes + textPad;
    uint8_t size[4];
    note.insert(note.end(), kListId.begin(), kListId.end());
    PutLe32(size, listBytes);
    note.insert(note.end(), size, size + 4);
    note.insert(note.end(), kInfoId.begin(), kInfoId.end());
    note.insert(note.end(), kSourceId.begin(), kSourceId.end());
    PutLe32(size, textBytes);
    note.insert(note.end(), size, size + 4);
    note.insert(note.end(), sourcePath.begin(), sourcePath.end());
    note.insert(note.end(), 1 + textPad, 0);

    const uint64_t riffBytes = uint64_t(end) + note.size() - kChunkHeaderBytes;
    if (riffBytes > UINT32_MAX) return false;
    PutLe32(size, uint32_t(riffBytes));
    if (std::fwrite(note.data(), 1, note.size(), f.get()) != note.size()) return false;
    if (std::fseek(f.get(), kRiffSizeAt, SEEK_SET) != 0 || std::fwrite(size, 1, 4, f.get()) != 4) return false;
    return std::fclose(f.release()) == 0;
}

std::string ReadWorkFileSource(const std::string& workPath)
{
    FilePtr f(std::fopen(workPath.c_str(), "rb"));
    uint8_t head[kFirstChunkAt];
    if (!f || !ReadAt(f.get(), 0, head, sizeof head) || !std::equal(kRiffId.begin(), kRiffId.end(), head) ||
        !std::equal(kWaveId.begin(), kWaveId.end(), head + 8))
        return {};
    long at = kFirstChunkAt;
    for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
        uint8_t header[kChunkHeaderBytes + kListTypeBytes + kChunkHeaderBytes];
        if (!ReadAt(f.get(), at, header, kChunkHeaderBytes)) return {};
        const uint32_t bytes = GetLe32(header + 4);
        if (std::equal(kListId.begin(), kListId.end(), header) && ReadAt(f.get(), at, header, sizeof header) &&
            std::equal(kInfoId.begin(), kInfoId.end(), header + kChunkHeaderBytes) &&
            std::equal(kSourceId.begin(), kSourceId.end(), header + kChunkHeaderBytes + kListTypeBytes)) {
            const uint32_t textBytes = GetLe32(header + sizeof header - 4);
            if (textBytes == 0 || textBytes > kMaxSourceBytes) return {};
            std::vector<uint8_t> text(textBytes);
            if (!ReadAt(f.get(), at + long(sizeof header), text.data(), text.size())) return {};
            std::string source(text.begin(), text.end());
            source.resize(source.find('\0') == std::string::npos ? source.size() : source.find('\0'));
            return source;
        }
        const uint64_t next = uint64_t(at) + kChunkHeaderBytes + bytes + (bytes % 2);
        if (next > uint64_t(LONG_MAX)) return {};
        at = long(next);
    }
    return {};
}
