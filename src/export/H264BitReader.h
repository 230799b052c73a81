#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Reads the fields of an H.264 NAL unit's payload (its RBSP, with the emulation prevention
// bytes taken out): fixed-width fields and Exp-Golomb codes. Reading past the end yields zero
// bits and sets Failed().
class H264BitReader {
public:
    explicit H264BitReader(std::span<const uint8_t> rbsp) : m_rbsp(rbsp) {}

    // A NAL unit's payload (after its header byte) without emulation prevention bytes.
    static std::vector<uint8_t> Unescape(std::span<const uint8_t> payload);

    uint32_t Bits(int count);
    uint32_t Ue();
    int32_t Se();
    size_t Position() const { return m_bit; }
    bool Failed() const { return m_failed; }

private:
    std::span<const uint8_t> m_rbsp;
    size_t m_bit = 0;
    bool m_failed = false;
};
