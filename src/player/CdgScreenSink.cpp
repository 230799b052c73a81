#include "player/CdgScreenSink.h"

#include "player/CdgPacketDecoder.h"
#include "player/CdgRect.h"
#include "player/CdgScreen.h"

CdgScreenSink::CdgScreenSink(CdgScreen* renderer, CdgPacketDecoder* decoder, std::span<uint8_t> buffer)
    : m_renderer(renderer), m_decoder(decoder), m_buffer(buffer)
{
}

size_t CdgScreenSink::Write(size_t offset, const CdgPacket& packet)
{
    if (m_decoder) m_decoder->ExecutePacket(packet.Span());
    // Without a buffer this still advances by one slot, as a stream would.
    return m_buffer.Write(offset, packet);
}

bool CdgScreenSink::TakesPackets() const
{
    return m_decoder != nullptr || m_buffer.TakesPackets();
}

void CdgScreenSink::ShowColours(std::span<const uint32_t, kCdgColourCount> colours)
{
    if (m_renderer) m_renderer->LoadColours(0, kCdgColourCount, colours);
}

void CdgScreenSink::ShowMemoryPreset(int colour)
{
    if (m_renderer) m_renderer->MemoryPreset(colour);
}

void CdgScreenSink::ShowBorderPreset(int colour)
{
    if (m_renderer) m_renderer->BorderPreset(colour);
}

CdgPacketSink::Frame CdgScreenSink::BeginFrame()
{
    if (!m_renderer) return {};
    const CdgScreen::FrameAccess frame = m_renderer->LockFrame();
    return Frame{frame.pixels, frame.pitch};
}

void CdgScreenSink::EndFrame()
{
    if (!m_renderer) return;
    m_renderer->UnlockFrame();
    m_renderer->PresentRect(CdgRect{0, 0, kCdgScreenWidth, kCdgScreenHeight});
}
