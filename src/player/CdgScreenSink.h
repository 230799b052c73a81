#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "cdg/CdgBufferSink.h"
#include "cdg/CdgPacketSink.h"

class CdgPacketDecoder;
class CdgScreen;

// The player's side of the generator's output. With a renderer, still previews draw into its
// frame at once (colour tables, presets, canvases; tile packets are not interpreted, the canvas
// is drawn whole instead). With a decoder, every packet is interpreted at once. With a buffer,
// the packets are kept in it as well, by the slot rule.
class CdgScreenSink : public CdgPacketSink {
public:
    explicit CdgScreenSink(CdgScreen* renderer, CdgPacketDecoder* decoder = nullptr,
                           std::span<uint8_t> buffer = {});

    size_t Write(size_t offset, const CdgPacket& packet) override;
    bool TakesPackets() const override;

    void ShowColours(std::span<const uint32_t, kCdgColourCount> colours) override;
    void ShowMemoryPreset(int colour) override;
    void ShowBorderPreset(int colour) override;

    bool HasScreen() const override { return m_renderer != nullptr; }
    Frame BeginFrame() override;
    void EndFrame() override;

    CdgScreen* Renderer() const { return m_renderer; }

private:
    CdgScreen* m_renderer;
    CdgPacketDecoder* m_decoder;
    CdgBufferSink m_buffer;
};
