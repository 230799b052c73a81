#include "player/CdgScreen.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "player/CdgScreenOutput.h"

namespace {

constexpr int kPitch = CdgScreen::kFramePitch;
constexpr int kScrollStep = kCdgTileWidth;
constexpr int kScrollLine = kCdgTileHeight;
constexpr uint8_t kScrollCommandUndefined = 3;
// The whole frame, border ring included.
constexpr CdgRect kWholeFrame{0, 0, kCdgScreenWidth, kCdgScreenHeight};

// Tile rows are read and written 8 bytes at a time: the 6 pixels of the tile and the 2 bytes
// after it (the next tile or the row padding; a row has 4 bytes of padding, so column 49 fits).
constexpr size_t kRowWord = sizeof(uint64_t);
constexpr uint64_t kBytesOfOnes = 0x0101010101010101ull;

constexpr int ByteShift(int byte)
{
    return std::endian::native == std::endian::little ? 8 * byte : 8 * (int(kRowWord) - 1 - byte);
}

constexpr uint64_t TileBytes()
{
    uint64_t m = 0;
    for (int j = 0; j < kCdgTileWidth; ++j) m |= uint64_t(0xFF) << ByteShift(j);
    return m;
}
constexpr uint64_t kTileBytes = TileBytes();

// For each 6-bit pattern row, 0xFF in the bytes of the pixels whose bit is set.
constexpr std::array<uint64_t, kCdgTilePixelMask + 1> MakeRowMasks()
{
    std::array<uint64_t, kCdgTilePixelMask + 1> masks{};
    for (int bits = 0; bits <= kCdgTilePixelMask; ++bits) {
        uint64_t m = 0;
        for (int j = 0; j < kCdgTileWidth; ++j) {
            if (bits & (kCdgTileLeftPixelBit >> j)) m |= uint64_t(0xFF) << ByteShift(j);
        }
        masks[size_t(bits)] = m;
    }
    return masks;
}
constexpr auto kRowMasks = MakeRowMasks();

bool InsideFrame(const CdgRect& r)
{
    return r.left >= 0 && r.top >= 0 && r.right <= kCdgScreenWidth && r.bottom <= kCdgScreenHeight;
}

// Frame coordinates to a client area of size W x H at (L, T); each edge on its own, whole numbers.
int MapX(int x, const CdgRect& area)
{
    return area.left + int(int64_t(x) * area.Width() / kCdgScreenWidth);
}
int MapY(int y, const CdgRect& area)
{
    return area.top + int(int64_t(y) * area.Height() / kCdgScreenHeight);
}
CdgRect MapToClient(const CdgRect& r, const CdgRect& area)
{
    return {MapX(r.left, area), MapY(r.top, area), MapX(r.right, area), MapY(r.bottom, area)};
}

CdgRect InnerArea(const CdgRect& area)
{
    return MapToClient({kCdgVisibleLeft, kCdgVisibleTop, kCdgVisibleRight, kCdgVisibleBottom}, area);
}

} // namespace

CdgScreen::CdgScreen() : m_frameMemory(new uint8_t[2 * kFrameBytes]())
{
    m_current = m_frameMemory.get();
    m_back = m_frameMemory.get() + kFrameBytes;
}

CdgScreen::~CdgScreen()
{
    DetachWindows();
}

void CdgScreen::MemoryPreset(int colour)
{
    if (colour >= 0 && colour < kCdgColourCount) {
        if (colour != m_memoryColour) m_frameIsMemoryColour = false;
        m_memoryColour = colour;
    }
    if (!m_frameIsMemoryColour) {
        std::memset(m_current, m_memoryColour, kFrameBytes);
        m_frameIsMemoryColour = true;
    }
    if (m_suppressPresent) return;
    for (CdgScreenOutput* w : m_windows) {
        const CdgRect inner = InnerArea(w->ClientArea());
        if (!inner.Empty()) w->Fill(inner, m_memoryColour, Colour(m_memoryColour));
    }
}

void CdgScreen::BorderPreset(int colour)
{
    if (colour >= 0 && colour < kCdgColourCount) m_borderColour = colour;
    PaintBorder();
}

template <bool Xor>
void CdgScreen::Tile(int row, int column, int colour0, int colour1,
                       std::span<const uint8_t, kCdgTilePatternRows> pattern)
{
    const bool valid = unsigned(colour0) < unsigned(kCdgColourCount) && unsigned(colour1) < unsigned(kCdgColourCount) &&
                       unsigned(row) < unsigned(kCdgTileRows) && unsigned(column) < unsigned(kCdgTileColumns);
    if (!valid) {
        PresentAll();
        return;
    }
    m_frameIsMemoryColour = false;
    const int x = column * kCdgTileWidth;
    const int y = row * kCdgTileHeight;
    const uint64_t c0 = uint64_t(colour0) * kBytesOfOnes;
    const uint64_t c1 = uint64_t(colour1) * kBytesOfOnes;
    uint8_t* p = m_current + size_t(y) * kPitch + size_t(x);
    // A plain tile clears its six pixels before the colours go in; XOR keeps them.
    constexpr uint64_t keep = Xor ? ~uint64_t(0) : ~kTileBytes;
    for (size_t i = 0; i < kCdgTilePatternRows; ++i, p += kPitch) {
        const uint64_t set = kRowMasks[pattern[i] & kCdgTilePixelMask];
        const uint64_t value = (c1 & set) | (c0 & ~set & kTileBytes);
        uint64_t word;
        std::memcpy(&word, p, kRowWord);
        word = (word & keep) ^ value;
        std::memcpy(p, &word, kRowWord);
    }
    // Tiles in the top row or left column lie wholly outside the visible area.
    if (row >= 1 && column >= 1 && !m_suppressPresent) PresentRect({x, y, x + kCdgTileWidth, y + kCdgTileHeight});
}

void CdgScreen::DrawTile(int row, int column, int colour0, int colour1,
                           std::span<const uint8_t, kCdgTilePatternRows> pattern)
{
    Tile<false>(row, column, colour0, colour1, pattern);
}

void CdgScreen::XorTile(int row, int column, int colour0, int colour1,
                          std::span<const uint8_t, kCdgTilePatternRows> pattern)
{
    Tile<true>(row, column, colour0, colour1, pattern);
}

void CdgScreen::ScrollPreset(int colour, int horizontalCommand, int horizontalOffset, int verticalCommand,
                               int verticalOffset)
{
    Scroll(colour & kCdgTileColourMask, horizontalCommand, horizontalOffset, verticalCommand, verticalOffset);
}

void CdgScreen::ScrollCopy(int horizontalCommand, int horizontalOffset, int verticalCommand, int verticalOffset)
{
    Scroll(-1, horizontalCommand, horizontalOffset, verticalCommand, verticalOffset);
}

void CdgScreen::Scroll(int fillColour, int horizontalCommand, int horizontalOffset, int verticalCommand,
                         int verticalOffset)
{
    m_horizontalOffset = horizontalOffset;
    m_verticalOffset = verticalOffset;
    // Command 3 has no direction in the stream format: that axis does not move.
    if (horizontalCommand == kScrollCommandUndefined) horizontalCommand = kCdgScrollNone;
    if (verticalCommand == kScrollCommandUndefined) verticalCommand = kCdgScrollNone;
    if (horizontalCommand == kCdgScrollNone && verticalCommand == kCdgScrollNone) {
        PresentAll();
        return;
    }

    const bool copy = fillColour < 0;
    m_frameIsMemoryColour = false;
    constexpr int kKept = kCdgScreenWidth - kScrollStep;
    if (horizontalCommand == kCdgScrollRightOrDown || horizontalCommand == kCdgScrollLeftOrUp) {
        const bool right = horizontalCommand == kCdgScrollRightOrDown;
        for (int y = 0; y < kCdgScreenHeight; ++y) {
            const uint8_t* src = m_current + size_t(y) * kPitch;
            uint8_t* dst = m_back + size_t(y) * kPitch;
            uint8_t* vacated = right ? dst : dst + kKept;
            std::memcpy(right ? dst + kScrollStep : dst, right ? src : src + kScrollStep, kKept);
            if (copy) std::memcpy(vacated, right ? src + kKept : src, kScrollStep);
            else std::memset(vacated, fillColour, kScrollStep);
        }
    } else {
        std::memcpy(m_back, m_current, kFrameBytes);
    }

    if (verticalCommand == kCdgScrollRightOrDown || verticalCommand == kCdgScrollLeftOrUp) {
        // The vertical move works on the result of the horizontal one, in place in the back frame.
        constexpr size_t kStripBytes = size_t(kScrollLine) * kPitch;
        constexpr size_t kKeptBytes = kFrameBytes - kStripBytes;
        std::array<uint8_t, kStripBytes> pushedOut;
        const bool down = verticalCommand == kCdgScrollRightOrDown;
        uint8_t* bottomStrip = m_back + kKeptBytes;
        std::memcpy(pushedOut.data(), down ? bottomStrip : m_back, kStripBytes);
        if (down) std::memmove(m_back + kStripBytes, m_back, kKeptBytes);
        else std::memmove(m_back, m_back + kStripBytes, kKeptBytes);
        uint8_t* vacated = down ? m_back : bottomStrip;
        if (copy) std::memcpy(vacated, pushedOut.data(), kStripBytes);
        else std::memset(vacated, fillColour, kStripBytes);
    }

    std::swap(m_current, m_back);
    PresentRect(kWholeFrame);
}

void CdgScreen::SetTransparentColour(int index)
{
    if (index < 0 || index >= kCdgColourCount) return;
    m_transparentColour = index;
    m_transparentSet = true;
}

int CdgScreen::LoadColours(int first, int count, std::span<const uint32_t> colours)
{
    const int n = std::min<int>(count, int(colours.size()));
    for (int i = 0; i < n; ++i) {
        const int index = first + i;
        if (index < 0 || index >= kCdgColourCount) continue;
        m_colours[size_t(index)] = colours[size_t(i)] & 0x00FFFFFFu;
    }
    return RedrawAll();
}

void CdgScreen::Reset()
{
    m_colours = {};
    m_memoryColour = m_borderColour = m_transparentColour = 0;
    m_transparentSet = false;
    m_horizontalOffset = m_verticalOffset = 0;
    m_frameIsMemoryColour = false;
    std::memset(m_frameMemory.get(), 0, 2 * kFrameBytes);
}

void CdgScreen::PresentRect(const CdgRect& rect)
{
    if (rect.Empty() || m_suppressPresent || m_windows.empty()) return;
    // One pixel more on each side, then only what the visible area shows.
    const CdgRect grown{std::max(rect.left - 1, kCdgVisibleLeft), std::max(rect.top - 1, kCdgVisibleTop),
                        std::min(rect.right + 1, kCdgVisibleRight), std::min(rect.bottom + 1, kCdgVisibleBottom)};
    if (grown.Empty()) return;
    const CdgRect source{grown.left + m_horizontalOffset, grown.top + m_verticalOffset,
                         grown.right + m_horizontalOffset, grown.bottom + m_verticalOffset};
    if (!InsideFrame(source)) return;
    for (CdgScreenOutput* w : m_windows) {
        const CdgRect destination = MapToClient(grown, w->ClientArea());
        if (!destination.Empty()) w->Blit(*this, source, destination);
    }
}

void CdgScreen::PresentAll()
{
    if (m_suppressPresent) return;
    const CdgRect source{kCdgVisibleLeft + m_horizontalOffset, kCdgVisibleTop + m_verticalOffset,
                         kCdgVisibleRight + m_horizontalOffset, kCdgVisibleBottom + m_verticalOffset};
    if (InsideFrame(source)) {
        for (CdgScreenOutput* w : m_windows) {
            const CdgRect destination = InnerArea(w->ClientArea());
            if (!destination.Empty()) w->Blit(*this, source, destination);
        }
    }
    PaintBorder();
}

int CdgScreen::RedrawAll()
{
    // Presenters convert through the colour table whenever they copy, so a full present is a
    // full redraw.
    PresentAll();
    return 0;
}

void CdgScreen::PaintBorder()
{
    if (m_suppressPresent) return;
    const uint32_t colour = Colour(m_borderColour);
    for (CdgScreenOutput* w : m_windows) {
        const CdgRect area = w->ClientArea();
        const CdgRect inner = InnerArea(area);
        const CdgRect strips[] = {
            {area.left, area.top, area.right, inner.top},          // top
            {area.left, inner.top, inner.left, inner.bottom},      // left
            {area.left, inner.bottom, area.right, area.bottom},    // bottom
            {inner.right, inner.top, area.right, inner.bottom},    // right
        };
        for (const CdgRect& strip : strips) {
            if (!strip.Empty()) w->Fill(strip, m_borderColour, colour);
        }
    }
}

CdgScreen::FrameAccess CdgScreen::LockFrame()
{
    m_locked = true;
    m_frameIsMemoryColour = false;
    return {m_current, kPitch};
}

void CdgScreen::UnlockFrame()
{
    // The frame is plain memory: the lock only marks that a producer is writing into it.
    m_locked = false;
}

bool CdgScreen::AttachWindow(CdgScreenOutput* window)
{
    if (window == nullptr) return true;
    if (std::find(m_windows.begin(), m_windows.end(), window) == m_windows.end()) {
        // A presenter shows one renderer: leave the old one first.
        if (window->m_renderer != nullptr && window->m_renderer != this) window->m_renderer->DetachWindow(window);
        m_windows.push_back(window);
    }
    window->m_renderer = this;
    window->m_leave = [this](CdgScreenOutput* leaving) { DetachWindow(leaving); };
    return true;
}

void CdgScreen::DetachWindows()
{
    for (CdgScreenOutput* w : m_windows) {
        w->m_renderer = nullptr;
        w->m_leave = nullptr;
    }
    m_windows.clear();
}

void CdgScreen::DetachWindow(CdgScreenOutput* window)
{
    const auto it = std::find(m_windows.begin(), m_windows.end(), window);
    if (it == m_windows.end()) return;
    (*it)->m_renderer = nullptr;
    (*it)->m_leave = nullptr;
    m_windows.erase(it);
}
