#include "player/CdgStreamSnapshot.h"

#include <algorithm>

CdgStreamSnapshot::CdgStreamSnapshot(std::span<const uint8_t> stream, int scale)
    : m_stream(stream), m_packetCount(stream.size() / kCdgPacketBytes), m_scale(scale)
{
    Reset();
}

CdgStreamSnapshot::~CdgStreamSnapshot()
{
    // The presenter detaches itself from the renderer; release it first.
    m_snapshot.reset();
}

void CdgStreamSnapshot::Reset()
{
    m_snapshot.reset();
    m_renderer = std::make_unique<CdgScreen>();
    m_decoder = std::make_unique<CdgPacketDecoder>(m_renderer.get());
    m_snapshot = std::make_unique<CdgScreenPicture>(m_scale);
    m_renderer->AttachWindow(m_snapshot.get());
    m_executed = 0;
}

size_t CdgStreamSnapshot::PacketsAtClock(uint64_t sampleFrames) const
{
    // The player stops one short of the last packet of a stream.
    if (m_packetCount == 0) return 0;
    return size_t(std::min<uint64_t>(PositionToPacket(sampleFrames), m_packetCount - 1));
}

void CdgStreamSnapshot::ExecuteUntil(size_t end)
{
    end = std::min(end, m_packetCount);
    if (end < m_executed) Reset();
    m_renderer->SetSuppressPresent(true);
    for (; m_executed < end; ++m_executed) {
        const uint8_t* p = m_stream.data() + m_executed * kCdgPacketBytes;
        m_decoder->ExecutePacket(std::span<const uint8_t, kCdgPacketBytes>(p, kCdgPacketBytes));
    }
    m_renderer->SetSuppressPresent(false);
}

const RgbImage& CdgStreamSnapshot::Show()
{
    m_renderer->PresentAll();
    return m_snapshot->Image();
}
