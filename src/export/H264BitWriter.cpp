#include "export/H264BitWriter.h"

void H264BitWriter::Bits(uint32_t value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        if (m_bit % 8 == 0) m_bytes.push_back(0);
        if ((value >> i) & 1u) m_bytes.back() |= uint8_t(0x80u >> (m_bit % 8));
        ++m_bit;
    }
}

void H264BitWriter::Ue(uint32_t value)
{
    // length zeros, then value + 1 in length + 1 bits (the fields written here stay below 2^31).
    const uint32_t code = value + 1;
    int length = 0;
    while ((code >> length) > 1) ++length;
    Bits(0, length);
    Bits(code, length + 1);
}

void H264BitWriter::Se(int32_t value)
{
    Ue(value > 0 ? uint32_t(value) * 2 - 1 : uint32_t(-int64_t(value)) * 2);
}

void H264BitWriter::Trailing()
{
    Bits(1, 1);
    while (m_bit % 8) Bits(0, 1);
}

void H264BitWriter::Overwrite(std::vector<uint8_t>& rbsp, size_t at, uint32_t value, int count)
{
    for (int i = 0; i < count; ++i, ++at) {
        const uint8_t mask = uint8_t(0x80u >> (at % 8));
        if ((value >> (count - 1 - i)) & 1u) {
            rbsp[at / 8] |= mask;
        } else {
            rbsp[at / 8] &= uint8_t(~mask);
        }
    }
}

std::vector<uint8_t> H264BitWriter::Escape(std::span<const uint8_t> rbsp)
{
    std::vector<uint8_t> payload;
    payload.reserve(rbsp.size() + rbsp.size() / 64 + 1);
    int zeros = 0;
    for (const uint8_t b : rbsp) {
        if (zeros >= 2 && b <= 3) {
            payload.push_back(3);
            zeros = 0;
        }
        zeros = b == 0 ? zeros + 1 : 0;
        payload.push_back(b);
    }
    // A payload may not end on a zero byte.
    if (zeros > 0) payload.push_back(3);
    return payload;
}
