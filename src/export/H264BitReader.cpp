#include "export/H264BitReader.h"

std::vector<uint8_t> H264BitReader::Unescape(std::span<const uint8_t> payload)
{
    std::vector<uint8_t> rbsp;
    rbsp.reserve(payload.size());
    int zeros = 0;
    for (const uint8_t b : payload) {
        if (zeros >= 2 && b == 3) {
            zeros = 0;
            continue;
        }
        zeros = b == 0 ? zeros + 1 : 0;
        rbsp.push_back(b);
    }
    return rbsp;
}

uint32_t H264BitReader::Bits(int count)
{
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        const size_t byte = m_bit / 8;
        uint32_t bit = 0;
        if (byte < m_rbsp.size()) {
            bit = (m_rbsp[byte] >> (7 - m_bit % 8)) & 1u;
        } else {
            m_failed = true;
        }
        value = (value << 1) | bit;
        ++m_bit;
    }
    return value;
}

uint32_t H264BitReader::Ue()
{
    // A code of more than 31 leading zeros does not fit the fields read here.
    constexpr int kLongest = 31;
    int zeros = 0;
    while (Bits(1) == 0) {
        if (m_failed || ++zeros > kLongest) {
            m_failed = true;
            return 0;
        }
    }
    return ((1u << zeros) - 1) + Bits(zeros);
}

int32_t H264BitReader::Se()
{
    const uint32_t code = Ue();
    return code % 2 ? int32_t((code + 1) / 2) : -int32_t(code / 2);
}
