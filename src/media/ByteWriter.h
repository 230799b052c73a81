#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "media/ByteOrder.h"

// Appends little-endian values and length-prefixed strings to a byte vector.
class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out) : m_out(out) {}

    void U8(uint8_t v) { m_out.push_back(v); }
    void U16(uint16_t v)
    {
        uint8_t b[2];
        PutLe16(b, v);
        Bytes(b, 2);
    }
    void U32(uint32_t v)
    {
        uint8_t b[4];
        PutLe32(b, v);
        Bytes(b, 4);
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void U64(uint64_t v)
    {
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(v >> 32));
    }
    // A byte followed by zero padding up to four bytes.
    void U8Padded(uint8_t v)
    {
        U8(v);
        Zeros(3);
    }
    void Zeros(size_t n) { m_out.insert(m_out.end(), n, 0); }
    void Bytes(const void* data, size_t n)
    {
        const auto* p = static_cast<const uint8_t*>(data);
        m_out.insert(m_out.end(), p, p + n);
    }
    // A 32-bit byte count, then the bytes, no terminator.
    void String(std::string_view s)
    {
        U32(static_cast<uint32_t>(s.size()));
        Bytes(s.data(), s.size());
    }
    size_t Size() const { return m_out.size(); }

private:
    std::vector<uint8_t>& m_out;
};
