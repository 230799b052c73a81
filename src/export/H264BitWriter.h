#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Writes the fields of an H.264 NAL unit's payload (its RBSP): fixed-width fields, Exp-Golomb
// codes and the trailing bits; Escape then adds the emulation prevention bytes.
class H264BitWriter {
public:
    void Bits(uint32_t value, int count);
    void Ue(uint32_t value); // value below 2^31
    void Se(int32_t value);
    // The stop bit and the zeros up to the next byte.
    void Trailing();
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

    // Overwrites count bits at bit position at of rbsp with value.
    static void Overwrite(std::vector<uint8_t>& rbsp, size_t at, uint32_t value, int count);
    // The payload for a NAL unit: an emulation prevention byte after each pair of zero bytes
    // that a byte of 0 to 3 follows, and after a zero byte that ends the payload.
    static std::vector<uint8_t> Escape(std::span<const uint8_t> rbsp);

private:
    std::vector<uint8_t> m_bytes;
    size_t m_bit = 0;
};
