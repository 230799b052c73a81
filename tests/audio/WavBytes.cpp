#include "WavBytes.h"

#include <cmath>

#include "media/ByteOrder.h"

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    uint8_t b[4];
    PutLe32(b, v);
    out.insert(out.end(), b, b + 4);
}

void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    uint8_t b[2];
    PutLe16(b, v);
    out.insert(out.end(), b, b + 2);
}

} // namespace

std::vector<uint8_t> RiffWave(const std::vector<RiffChunk>& chunks, int64_t riffSize)
{
    std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
    for (const auto& c : chunks) {
        body.insert(body.end(), c.id.begin(), c.id.end());
        Put32(body, c.claimedSize >= 0 ? uint32_t(c.claimedSize) : uint32_t(c.body.size()));
        body.insert(body.end(), c.body.begin(), c.body.end());
        if (c.pad && (c.body.size() & 1)) body.push_back(0);
    }
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    Put32(out, riffSize >= 0 ? uint32_t(riffSize) : uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<uint8_t> FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                                const std::vector<uint8_t>& extra)
{
    std::vector<uint8_t> out;
    const uint16_t align = uint16_t(channels * bits / 8);
    Put16(out, tag);
    Put16(out, channels);
    Put32(out, rate);
    Put32(out, rate * align);
    Put16(out, align);
    Put16(out, bits);
    out.insert(out.end(), extra.begin(), extra.end());
    return out;
}

std::vector<uint8_t> ExtensibleExtra(uint16_t bits, uint16_t subFormatTag)
{
    std::vector<uint8_t> out;
    Put16(out, 22);
    Put16(out, bits);
    Put32(out, 3); // front left and right
    Put16(out, subFormatTag);
    const uint8_t tail[] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    out.insert(out.end(), tail, tail + sizeof tail);
    return out;
}

RiffChunk FmtChunk(uint16_t channels, uint16_t bits, uint32_t rate)
{
    return {"fmt ", FormatBody(1, channels, rate, bits)};
}

std::vector<uint8_t> Le16Bytes(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> out;
    for (int16_t s : samples) Put16(out, uint16_t(s));
    return out;
}

std::vector<int16_t> Tone(size_t frames, uint16_t channels, double amplitude)
{
    std::vector<int16_t> out;
    out.reserve(frames * channels);
    for (size_t i = 0; i < frames; ++i)
        for (uint16_t c = 0; c < channels; ++c)
            out.push_back(int16_t(std::lround(amplitude * std::sin(0.0627 * double(i) * (c + 1) + c))));
    return out;
}

std::vector<uint8_t> Pcm16File(const std::vector<int16_t>& samples, uint16_t channels)
{
    return RiffWave({FmtChunk(channels, 16), {"data", Le16Bytes(samples)}});
}
