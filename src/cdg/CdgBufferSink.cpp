#include "cdg/CdgBufferSink.h"

#include <algorithm>

size_t CdgBufferSink::Write(size_t offset, const CdgPacket& packet)
{
    // The last slot of the buffer is never written: a packet must start below size - 24.
    if (m_buffer.size() <= kCdgPacketBytes || offset >= m_buffer.size() - kCdgPacketBytes) return kCdgPacketBytes;
    const size_t limit = m_buffer.size() - kCdgPacketBytes;
    size_t slot = offset;
    // A taken slot delays the packet to the next free one, so a burst pushes later events back
    // instead of overwriting them.
    while (slot < limit && m_buffer[slot] != 0) slot += kCdgPacketBytes;
    // No free slot before the end: the packet is dropped like a late one, and the running offset
    // lands past the end so that later packets give up at once.
    if (slot < limit) std::copy(packet.bytes.begin(), packet.bytes.end(), m_buffer.begin() + std::ptrdiff_t(slot));
    return slot - offset + kCdgPacketBytes;
}
