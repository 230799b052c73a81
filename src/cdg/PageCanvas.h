#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "cdg/CdgFormat.h"
#include "cdg/IndexImageView.h"
#include "text/IndexSurface.h"

// The canvas is the content area of the screen.
inline constexpr int kCanvasWidth = kCdgContentWidth;
inline constexpr int kCanvasHeight = kCdgContentHeight;

// A box on the canvas: left/top inclusive, right/bottom exclusive.
struct TextBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const TextBox&) const = default;
};

// The 288 x 192 content area as colour-table indices (one byte a pixel, values 0..15) with its
// 16-entry colour table in Windows colour value layout (0x00BBGGRR).
class PageCanvas {
public:
    PageCanvas();

    uint8_t At(int x, int y) const { return pixels[size_t(y) * kCanvasWidth + size_t(x)]; }
    void Set(int x, int y, uint8_t index) { pixels[size_t(y) * kCanvasWidth + size_t(x)] = index; }
    void Fill(uint8_t index);
    // Fills the part of the rectangle that lies on the canvas.
    void FillRect(const TextBox& box, uint8_t index);
    // Entry i becomes the grey (16i, 16i, 16i), so drawing with ramp colours stores indices.
    void SetIndexRamp();
    // A drawing surface over the whole canvas, clipped to the given rows.
    IndexSurface Surface(int clipTop = 0, int clipBottom = kCanvasHeight);
    // The pixels as the packet writer reads them.
    IndexImageView View() const { return {pixels.data(), kCanvasWidth, kCanvasHeight, size_t(kCanvasWidth)}; }

    std::array<uint32_t, 16> colours{};
    std::array<uint8_t, size_t(kCanvasWidth) * kCanvasHeight> pixels{};
};
