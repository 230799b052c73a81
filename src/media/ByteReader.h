#pragma once
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "media/ByteOrder.h"

// Reads little-endian values from a byte span. Every read checks the bytes left; a read past
// the end fails, leaves the value untouched and makes every later read fail too.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> data) : m_data(data) {}

    bool Ok() const { return m_ok; }
    size_t Position() const { return m_pos; }
    size_t Left() const { return m_data.size() - m_pos; }

    bool U8(uint8_t& v)
    {
        if (!Need(1)) return false;
        v = m_data[m_pos++];
        return true;
    }
    bool U16(uint16_t& v)
    {
        if (!Need(2)) return false;
        v = GetLe16(m_data.data() + m_pos);
        m_pos += 2;
        return true;
    }
    bool U32(uint32_t& v)
    {
        if (!Need(4)) return false;
        v = GetLe32(m_data.data() + m_pos);
        m_pos += 4;
        return true;
    }
    bool I32(int32_t& v)
    {
        uint32_t u = 0;
        if (!U32(u)) return false;
        v = static_cast<int32_t>(u);
        return true;
    }
    // A byte followed by three padding bytes.
    bool U8Padded(uint8_t& v)
    {
        if (!Need(4)) return false;
        v = m_data[m_pos];
        m_pos += 4;
        return true;
    }
    bool Bytes(void* out, size_t n)
    {
        if (!Need(n)) return false;
        std::memcpy(out, m_data.data() + m_pos, n);
        m_pos += n;
        return true;
    }
    bool Skip(size_t n)
    {
        if (!Need(n)) return false;
        m_pos += n;
        return true;
    }
    // A 32-bit byte count and that many bytes. A count beyond the bytes left fails
    // before anything is allocated.
    bool String(std::string& s)
    {
        uint32_t n = 0;
        if (!U32(n) || !Need(n)) return false;
        s.assign(reinterpret_cast<const char*>(m_data.data() + m_pos), n);
        m_pos += n;
        return true;
    }

private:
    bool Need(size_t n)
    {
        if (!m_ok || n > Left()) {
            m_ok = false;
            return false;
        }
        return true;
    }

    std::span<const uint8_t> m_data;
    size_t m_pos = 0;
    bool m_ok = true;
};
