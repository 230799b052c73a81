#include "cdg/PageCanvas.h"

#include <algorithm>

#include "media/ColourValue.h"

PageCanvas::PageCanvas() = default;

void PageCanvas::Fill(uint8_t index)
{
    pixels.fill(index);
}

void PageCanvas::FillRect(const TextBox& box, uint8_t index)
{
    const int left = std::max(0, box.left);
    const int right = std::min(kCanvasWidth, box.right);
    const int top = std::max(0, box.top);
    const int bottom = std::min(kCanvasHeight, box.bottom);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) Set(x, y, index);
}

void PageCanvas::SetIndexRamp()
{
    for (uint32_t i = 0; i < colours.size(); ++i) {
        const uint32_t grey = 16 * i;
        colours[i] = MakeColourValue(uint8_t(grey), uint8_t(grey), uint8_t(grey));
    }
}

IndexSurface PageCanvas::Surface(int clipTop, int clipBottom)
{
    IndexSurface s;
    s.pixels = pixels.data();
    s.width = kCanvasWidth;
    s.height = kCanvasHeight;
    s.stride = kCanvasWidth;
    s.clipLeft = 0;
    s.clipRight = kCanvasWidth;
    s.clipTop = std::max(0, clipTop);
    s.clipBottom = std::min(kCanvasHeight, clipBottom);
    return s;
}
