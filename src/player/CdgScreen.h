#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "cdg/CdgColour.h"
#include "cdg/CdgFormat.h"
#include "cdg/CdgPacket.h"
#include "player/CdgRect.h"

class CdgScreenOutput;

// The CD+G screen: a 300 x 216 frame of colour indices (and a back frame for scrolls), the
// 16-entry colour table, the memory, border and transparent colours and the fine scroll offsets.
// Changed areas are presented, scaled, to every attached presenter; the outer ring of the frame
// is never shown, the border colour is painted round the visible area instead.
// Not thread-safe: callers take turns (the player's thread or the user-interface thread).
class CdgScreen {
public:
    static constexpr int kFramePitch = 304;
    static constexpr size_t kFrameBytes = size_t(kFramePitch) * kCdgScreenHeight; // 65,664

    CdgScreen();
    virtual ~CdgScreen();
    CdgScreen(const CdgScreen&) = delete;
    CdgScreen& operator=(const CdgScreen&) = delete;

    // State.
    const ColourTable& Colours() const { return m_colours; }
    uint32_t Colour(int index) const { return m_colours[size_t(index) & (kCdgColourCount - 1)]; }
    int MemoryColour() const { return m_memoryColour; }
    int BorderColour() const { return m_borderColour; }
    int TransparentColour() const { return m_transparentColour; }
    bool TransparentSet() const { return m_transparentSet; }
    int HorizontalOffset() const { return m_horizontalOffset; }
    int VerticalOffset() const { return m_verticalOffset; }
    const uint8_t* CurrentFrame() const { return m_current; }
    const uint8_t* BackFrame() const { return m_back; }
    uint8_t Pixel(int x, int y) const { return m_current[size_t(y) * kFramePitch + size_t(x)]; }

    // Frame operations; each presents what it changed unless presents are suppressed.
    void MemoryPreset(int colour);
    void BorderPreset(int colour);
    void DrawTile(int row, int column, int colour0, int colour1, std::span<const uint8_t, kCdgTilePatternRows> pattern);
    void XorTile(int row, int column, int colour0, int colour1, std::span<const uint8_t, kCdgTilePatternRows> pattern);
    void ScrollPreset(int colour, int horizontalCommand, int horizontalOffset, int verticalCommand, int verticalOffset);
    void ScrollCopy(int horizontalCommand, int horizontalOffset, int verticalCommand, int verticalOffset);
    void SetTransparentColour(int index);
    // Stores count colours from first on (entries outside 0-15 are skipped), then RedrawAll.
    int LoadColours(int first, int count, std::span<const uint32_t> colours);
    // Back to the state of a new renderer: a black table, both frames of colour 0, no scroll
    // offsets, no transparent colour. The presenters stay attached; nothing is presented.
    void Reset();

    // Presenting.
    void PresentRect(const CdgRect& rect);
    void PresentAll();
    int RedrawAll();
    void PaintBorder();
    void SetSuppressPresent(bool suppress) { m_suppressPresent = suppress; }
    bool SuppressPresent() const { return m_suppressPresent; }

    // Direct drawing into the current frame; the producer presents what it drew afterwards.
    struct FrameAccess {
        uint8_t* pixels = nullptr;
        int pitch = 0;
    };
    FrameAccess LockFrame();
    void UnlockFrame();
    bool FrameLocked() const { return m_locked; }

    // Presenters.
    bool AttachWindow(CdgScreenOutput* window);
    void DetachWindows();
    void DetachWindow(CdgScreenOutput* window);
    size_t WindowCount() const { return m_windows.size(); }

private:
    template <bool Xor>
    void Tile(int row, int column, int colour0, int colour1, std::span<const uint8_t, kCdgTilePatternRows> pattern);
    // fillColour < 0 means Scroll Copy: the vacated strip receives what was pushed out.
    void Scroll(int fillColour, int horizontalCommand, int horizontalOffset, int verticalCommand, int verticalOffset);

    ColourTable m_colours{};
    int m_memoryColour = 0;
    int m_borderColour = 0;
    int m_transparentColour = 0;
    bool m_transparentSet = false;
    int m_horizontalOffset = 0;
    int m_verticalOffset = 0;
    bool m_suppressPresent = false;
    bool m_locked = false;
    // Set while the whole frame holds nothing but the memory colour, so the 15 repeats of a
    // Memory Preset run need not fill it again.
    bool m_frameIsMemoryColour = false;
    std::unique_ptr<uint8_t[]> m_frameMemory;
    uint8_t* m_current = nullptr;
    uint8_t* m_back = nullptr;
    std::vector<CdgScreenOutput*> m_windows;
};
