#include "player/MRwScreenSink.h"

#include "player/CdgPacketDecoder.h"
#include "player/MRwRect.h"
#include "player/CdgScreen.h"

MRwScreenSink::MRwScreenSink(CdgScreen* renderer, CdgPacketDecoder* decoder, std::span<uint8_t> buffer)
    : m_renderer(renderer), m_decoder(decoder), m_buffer(buffer)
{
}

size_t MRwScreenSink::Write(size_t offset, const CdgPacket& packet)
{
    if (m_decoder) m_decoder->ExecutePacket(packet.Span());
    // Without a buffer this still advances by one slot, as a stream would.
    return m_buffer.Write(offset, packet);
}

bool MRwScreenSink::TakesPackets() const
{
    return m_decoder != nullptr || m_buffer.TakesPackets();
}

void MRwScreenSink::ShowColours(std::span<const uint32_t, kCdgColourCount> colours)
{
    if (m_renderer) m_renderer->LoadColours(0, kCdgColourCount, colours);
}

void MRwScreenSink::ShowMemoryPreset(int colour)
{
    if (m_renderer) m_renderer->MemoryPreset(colour);
}

void MRwScreenSink::ShowBorderPreset(int colour)
{
    if (m_renderer) m_renderer->BorderPreset(colour);
}

CdgPacketSink::Frame MRwScreenSink::BeginFrame()
{
    if (!m_renderer) return {};
    const CdgScreen::FrameAccess frame = m_renderer->LockFrame();
    return Frame{frame.pixels, frame.pitch};
}

void MRwScreenSink::EndFrame()
{
    if (!m_renderer) return;
    m_renderer->UnlockFrame();
    m_renderer->PresentRect(MRwRect{0, 0, kCdgScreenWidth, kCdgScreenHeight});
}
