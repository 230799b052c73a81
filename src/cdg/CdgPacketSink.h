#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "cdg/CdgColour.h"
#include "cdg/CdgPacket.h"

// Where the generator's output goes. A song stream keeps its packets in a buffer
// (CdgBufferSink); a screen on the player's side shows them, and also takes the drawing that
// still previews do without packets: colour tables, presets and whole canvases. The generator
// knows only this interface, so the CD+G writers never depend on the player.
class CdgPacketSink {
public:
    virtual ~CdgPacketSink() = default;

    // One packet meant for byte offset `offset` of the stream; returns how far the caller's
    // running offset advances.
    virtual size_t Write(size_t offset, const CdgPacket& packet) = 0;
    // Whether packets go anywhere at all (a scroll is written only then).
    virtual bool TakesPackets() const = 0;

    // Screen state set at once, ahead of the packets that carry it.
    virtual void ShowColours(std::span<const uint32_t, kCdgColourCount>) {}
    virtual void ShowMemoryPreset(int) {}
    virtual void ShowBorderPreset(int) {}

    // Direct drawing into the screen's frame of colour indices (300 x 216, `pitch` bytes a
    // row). A sink without a screen has no frame (HasScreen false, no pixels); EndFrame shows
    // the whole screen.
    struct Frame {
        uint8_t* pixels = nullptr;
        int pitch = 0;
    };
    virtual bool HasScreen() const { return false; }
    virtual Frame BeginFrame() { return {}; }
    virtual void EndFrame() {}
};
