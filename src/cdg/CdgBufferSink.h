#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "cdg/CdgPacketSink.h"

// A caller's zero-filled stream buffer, filled by the slot rule: a packet goes into the first
// free slot at or after its offset. The caller owns the buffer and keeps it alive.
class CdgBufferSink : public CdgPacketSink {
public:
    CdgBufferSink() = default;
    explicit CdgBufferSink(std::span<uint8_t> buffer) : m_buffer(buffer) {}

    // 24 plus the distance skipped over taken slots. The last slot of the buffer is never
    // written; with no free slot the packet is dropped.
    size_t Write(size_t offset, const CdgPacket& packet) override;
    bool TakesPackets() const override { return !m_buffer.empty(); }

    std::span<uint8_t> Buffer() const { return m_buffer; }

private:
    std::span<uint8_t> m_buffer;
};
