#include "player/PngCodec.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <zlib.h>

#include "media/AtomicFile.h"

namespace {

constexpr std::array<uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr size_t kChunkOverhead = 12; // length, type, CRC
constexpr size_t kHeaderBytes = 13;
constexpr uint8_t kBitDepth8 = 8;
constexpr uint8_t kColourTypeRgb = 2;
constexpr uint8_t kColourTypeRgba = 6;
constexpr uint8_t kNoInterlace = 0;
enum Filter : uint8_t { kFilterNone = 0, kFilterSub = 1, kFilterUp = 2, kFilterAverage = 3, kFilterPaeth = 4 };
constexpr size_t kInflateChunk = 65536;

void PutBe32(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v >> 24));
    out.push_back(uint8_t(v >> 16));
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

uint32_t GetBe32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const uint8_t* data, size_t size)
{
    PutBe32(out, uint32_t(size));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    if (size > 0) out.insert(out.end(), data, data + size);
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out.data() + typeAt, uInt(4 + size));
    PutBe32(out, uint32_t(crc));
}

uint8_t Paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}

bool Fail(std::string& error, const char* why)
{
    error = why;
    return false;
}

} // namespace

std::vector<uint8_t> EncodePng(const RgbImage& image, int level)
{
    const size_t rowBytes = size_t(image.width) * RgbImage::kBytesPerPixel;
    std::vector<uint8_t> raw;
    raw.reserve((rowBytes + 1) * size_t(image.height));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(kFilterNone);
        const uint8_t* row = image.pixels.data() + size_t(y) * rowBytes;
        raw.insert(raw.end(), row, row + rowBytes);
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), std::clamp(level, 0, 9)) != Z_OK) return {};
    packed.resize(packedSize);

    std::vector<uint8_t> out(kSignature.begin(), kSignature.end());
    std::vector<uint8_t> header;
    PutBe32(header, uint32_t(image.width));
    PutBe32(header, uint32_t(image.height));
    header.insert(header.end(), {kBitDepth8, kColourTypeRgb, 0, 0, kNoInterlace});
    PutChunk(out, "IHDR", header.data(), header.size());
    PutChunk(out, "IDAT", packed.data(), packed.size());
    PutChunk(out, "IEND", nullptr, 0);
    return out;
}

bool WritePngFile(const std::string& path, const RgbImage& image, int level)
{
    const std::vector<uint8_t> png = EncodePng(image, level);
    return !png.empty() && WriteFileAtomically(path, png);
}

bool DecodePng(std::span<const uint8_t> png, RgbImage& image, std::string& error)
{
    if (png.size() < kSignature.size() || !std::equal(kSignature.begin(), kSignature.end(), png.begin())) {
        return Fail(error, "not a PNG file");
    }
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return Fail(error, "cannot start decompression");
    struct InflateEnd {
        z_stream* z;
        ~InflateEnd() { inflateEnd(z); }
    } inflateEnd{&z};

    int width = 0, height = 0;
    size_t channels = 0;
    bool haveHeader = false, haveEnd = false, streamEnd = false;
    std::vector<uint8_t> raw;
    size_t expected = 0;
    size_t pos = kSignature.size();
    while (!haveEnd) {
        if (png.size() - pos < kChunkOverhead) return Fail(error, "truncated PNG file");
        const uint32_t length = GetBe32(png.data() + pos);
        if (length > png.size() - pos - kChunkOverhead) return Fail(error, "truncated PNG chunk");
        const uint8_t* type = png.data() + pos + 4;
        const uint8_t* data = type + 4;
        const uLong crc = crc32(crc32(0L, Z_NULL, 0), type, uInt(4 + length));
        if (GetBe32(data + length) != uint32_t(crc)) return Fail(error, "PNG chunk checksum mismatch");
        pos += kChunkOverhead + length;

        if (std::memcmp(type, "IHDR", 4) == 0) {
            if (haveHeader || length != kHeaderBytes) return Fail(error, "bad PNG header");
            const uint32_t w = GetBe32(data), h = GetBe32(data + 4);
            if (w == 0 || h == 0 || w > uint32_t(kPngMaxSide) || h > uint32_t(kPngMaxSide) ||
                uint64_t(w) * h > kPngMaxPixels) {
                return Fail(error, "PNG picture size out of range");
            }
            if (data[8] != kBitDepth8 || (data[9] != kColourTypeRgb && data[9] != kColourTypeRgba) ||
                data[12] != kNoInterlace) {
                return Fail(error, "only 8-bit RGB or RGBA PNG without interlace is read");
            }
            width = int(w);
            height = int(h);
            channels = data[9] == kColourTypeRgb ? 3 : 4;
            expected = (size_t(width) * channels + 1) * size_t(height);
            haveHeader = true;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            if (!haveHeader) return Fail(error, "PNG data before header");
            z.next_in = const_cast<Bytef*>(data);
            z.avail_in = uInt(length);
            // The output grows only with what the data really inflates to, never beyond the
            // size the header announced.
            std::array<uint8_t, kInflateChunk> chunk;
            while (!streamEnd) {
                z.next_out = chunk.data();
                z.avail_out = uInt(chunk.size());
                const int rc = inflate(&z, Z_NO_FLUSH);
                if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) return Fail(error, "corrupt PNG data");
                const size_t produced = chunk.size() - z.avail_out;
                if (produced > expected - raw.size()) return Fail(error, "PNG data larger than its picture");
                raw.insert(raw.end(), chunk.data(), chunk.data() + produced);
                if (rc == Z_STREAM_END) streamEnd = true;
                // A full output chunk may leave more pending; otherwise this chunk's input is used up.
                if (rc == Z_BUF_ERROR || z.avail_out != 0) break;
            }
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            haveEnd = true;
        } else if ((type[0] & 0x20) == 0) {
            return Fail(error, "PNG file needs a chunk this reader does not know");
        }
    }
    if (!haveHeader || raw.size() != expected) return Fail(error, "PNG picture data incomplete");

    const size_t stride = size_t(width) * channels;
    image = RgbImage(width, height);
    std::vector<uint8_t> previous(stride, 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = raw.data() + size_t(y) * (stride + 1);
        const uint8_t filter = row[0];
        uint8_t* cur = row + 1;
        for (size_t i = 0; i < stride; ++i) {
            const int a = i >= channels ? cur[i - channels] : 0;
            const int b = previous[i];
            const int c = i >= channels ? previous[i - channels] : 0;
            switch (filter) {
            case kFilterNone: break;
            case kFilterSub: cur[i] = uint8_t(cur[i] + a); break;
            case kFilterUp: cur[i] = uint8_t(cur[i] + b); break;
            case kFilterAverage: cur[i] = uint8_t(cur[i] + (a + b) / 2); break;
            case kFilterPaeth: cur[i] = uint8_t(cur[i] + Paeth(a, b, c)); break;
            default: return Fail(error, "unknown PNG row filter");
            }
        }
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = cur + size_t(x) * channels;
            image.SetColour(x, y, MakeColourValue(p[0], p[1], p[2]));
        }
        std::copy(cur, cur + stride, previous.begin());
    }
    return true;
}
