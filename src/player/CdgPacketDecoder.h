#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "cdg/CdgColour.h"
#include "cdg/CdgFormat.h"

class CdgScreen;

// Turns CD+G packets into renderer operations. The synchronized player owns one and feeds it the
// packets whose time has come; previews feed it directly. It remembers the last colours of
// each half of the table, since streams repeat their colour tables often and a full redraw
// for an unchanged table would be wasted.
class CdgPacketDecoder {
public:
    explicit CdgPacketDecoder(CdgScreen* renderer = nullptr);
    virtual ~CdgPacketDecoder();

    void SetRenderer(CdgScreen* renderer) { m_renderer = renderer; }
    CdgScreen* Renderer() const { return m_renderer; }

    // Interprets one packet. Packets that are not graphics commands, unknown instructions, tiles
    // of channels other than 0 and 1, and everything while no renderer is set are ignored.
    void ExecutePacket(std::span<const uint8_t, kCdgPacketBytes> packet);

    // The last 8 colours of a code-30 packet, then the last 8 of a code-31 packet (64 bytes).
    const ColourTable& ColourCache() const { return m_colourCache; }

private:
    void ExecuteTile(bool xorTile, const uint8_t* data);
    void ExecuteScroll(bool preset, const uint8_t* data);
    void ExecuteLoadColours(int first, const uint8_t* data);

    CdgScreen* m_renderer = nullptr;
    ColourTable m_colourCache{};
};
