#include "cdg/LyricLineWriter.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "cdg/CdgPacketGenerator.h"
#include "cdg/TextLayout.h"
#include "project/MTextType.h"

namespace {

struct TileRange {
    int firstColumn, lastColumn, firstRow, lastRow;
};

TileRange TilesOf(const TextBox& box)
{
    return {std::clamp(box.left / kCdgTileWidth, 0, kCdgContentTileColumns - 1),
            std::clamp(box.right / kCdgTileWidth, 0, kCdgContentTileColumns - 1),
            std::clamp(box.top / kCdgTileHeight, 0, kCdgContentTileRows - 1),
            std::clamp(box.bottom / kCdgTileHeight, 0, kCdgContentTileRows - 1)};
}

// The line's box grown to every pixel drawn on the canvas that is not the background: a mark above
// a Devanagari or Thai letter can reach over the top of the line's cell, and the tiles that draw
// and erase the line must hold it (a sweep recolours it too).
TextBox InkBox(const PageCanvas& canvas, TextBox box, int background)
{
    const uint8_t plain = uint8_t(background & 0x0F);
    std::array<uint8_t, kCanvasWidth> empty;
    empty.fill(plain);
    for (int y = 0; y < kCanvasHeight; ++y) {
        const uint8_t* row = canvas.pixels.data() + size_t(y) * kCanvasWidth;
        if (std::memcmp(row, empty.data(), empty.size()) == 0) continue;
        for (int x = 0; x < kCanvasWidth; ++x) {
            if (row[x] == plain) continue;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x + 1);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y + 1);
        }
    }
    return box;
}

PageCanvas RampCanvas(int background)
{
    PageCanvas canvas;
    canvas.SetIndexRamp();
    canvas.Fill(uint8_t(background & 0x0F));
    return canvas;
}

// Previews: the canvas pixels inside the box go straight into the screen's frame, but for
// those that `keep` marks (when given) with kKeepPixel.
constexpr uint8_t kKeepPixel = 2;

void PreviewBox(CdgPacketGenerator& generator, const PageCanvas& canvas, const TextBox& box, const PageCanvas* keep = nullptr)
{
    CdgPacketSink& screen = generator.Sink();
    if (!screen.HasScreen()) return;
    const int left = std::clamp(box.left, 0, kCanvasWidth), right = std::clamp(box.right, 0, kCanvasWidth);
    const int top = std::clamp(box.top, 0, kCanvasHeight), bottom = std::clamp(box.bottom, 0, kCanvasHeight);
    const CdgPacketSink::Frame frame = screen.BeginFrame();
    if (frame.pixels) {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (!keep || keep->At(x, y) != kKeepPixel)
                    frame.pixels[size_t(y + kCdgVisibleTop) * size_t(frame.pitch) + size_t(x + kCdgVisibleLeft)] =
                        canvas.At(x, y);
    }
    screen.EndFrame();
}

} // namespace

size_t WriteScreenReset(CdgPacketGenerator& generator, const ColourTable& table, int border, int background, size_t offset)
{
    size_t o = offset;
    o += generator.LoadColorTable(std::span<const uint32_t, kCdgColourCount>(table), o);
    o += generator.PresetBorder(border, o);
    o += generator.PresetMemory(background, o);
    return o - offset;
}

size_t WriteLyricLine(CdgPacketGenerator& generator, int slotCount, int slot, const std::string& text,
                      const MTextType& style, int background, size_t offset)
{
    if (text.empty()) return 0;
    PageCanvas canvas = RampCanvas(background);
    const TextBox box =
        InkBox(canvas, DrawPageText(canvas, slotCount, slot, text, style, nullptr, generator.LineWidthFlag() != 0),
               background);
    PreviewBox(generator, canvas, box);
    const IndexImageView view = canvas.View();
    const TileRange tiles = TilesOf(box);
    const bool shadow = (style.style & kStyleShadow) != 0;
    size_t o = offset;
    for (int c = tiles.firstColumn; c <= tiles.lastColumn; ++c)
        for (int r = tiles.firstRow; r <= tiles.lastRow; ++r) {
            if (shadow)
                if (auto p = generator.WriteColorLayer(view, c, r, c + 1, r + 1, style.shadowColour & 0x0F, background))
                    o += generator.WritePacket(o, *p);
            if (auto p = generator.WriteColorLayer(view, c, r, c + 1, r + 1, style.colour & 0x0F, background))
                o += generator.WritePacket(o, *p);
        }
    return o - offset;
}

size_t EraseLyricLine(CdgPacketGenerator& generator, int slotCount, int slot, const std::string& text,
                      const MTextType& style, int background, size_t offset)
{
    if (text.empty()) return 0;
    PageCanvas canvas = RampCanvas(background);
    const TextBox box =
        InkBox(canvas, DrawPageText(canvas, slotCount, slot, text, style, nullptr, generator.LineWidthFlag() != 0),
               background);
    canvas.Fill(uint8_t(background & 0x0F));
    PreviewBox(generator, canvas, box);
    const TileRange tiles = TilesOf(box);
    size_t o = offset;
    for (int c = tiles.firstColumn; c <= tiles.lastColumn; ++c)
        for (int r = tiles.firstRow; r <= tiles.lastRow; ++r) o += generator.WriteSolidTile(c + 1, r + 1, background, o);
    return o - offset;
}

bool WordIsDrawn(const std::string& lineText, int first, int last)
{
    if (first < 0 || last < first || size_t(first) > lineText.size()) return false;
    const DrawnText drawn = DrawnLineText(lineText);
    return drawn.before[std::min(size_t(last) + 1, lineText.size())] > drawn.before[size_t(first)];
}

size_t WriteSweep(CdgPacketGenerator& generator, int slotCount, int slot, const std::string& lineText, int charsBefore,
                  int wordLast, const MTextType& style, int background, int sweepColour, int sweepMode, size_t start,
                  size_t end, int sweptLast)
{
    if (lineText.empty()) return 0;
    const bool backgroundMode = sweepMode == kSweepBackground;
    WordSweepPixels sweep =
        SweepWordPixels(slotCount, slot, lineText, style, background, charsBefore, wordLast, sweptLast, backgroundMode);
    if (sweep.box == TextBox{}) return 0;

    // The packets read an image in which only the pixels to change hold the sweep colour.
    const uint8_t mark = uint8_t(sweepColour & 0x0F);
    PageCanvas layer;
    layer.Fill(uint8_t(mark ^ 1));
    int left = kCanvasWidth, right = -1, top = kCanvasHeight, bottom = -1;
    for (int y = sweep.top; y < sweep.bottom; ++y)
        for (int x = std::max(0, sweep.changedLeft); x < std::min(kCanvasWidth, sweep.changedRight); ++x) {
            if (sweep.changed.At(x, y) != 1) continue;
            layer.Set(x, y, mark);
            sweep.line.Set(x, y, mark);
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    // The letters before the word keep what the preview shows of them: a word's box reaches
    // into its neighbour's outline.
    PreviewBox(generator, sweep.line, sweep.box, &sweep.changed);
    if (right < 0) return 0;

    // The sweep steps from tile column to tile column, evenly from the word's start to its end
    // (leftwards in a word that reads right to left).
    // Every packet of a column goes to the column's step: the taken slot pushes each one to the
    // next free slot, so the column's rows change in consecutive packets and a slow word never
    // shows a letter swept at the top and not yet at the bottom.
    const int base = backgroundMode ? background : style.colour;
    const IndexImageView view = layer.View();
    const int firstColumn = left / kCdgTileWidth, lastColumn = right / kCdgTileWidth;
    const uint64_t columns = uint64_t(lastColumn - firstColumn + 1);
    const uint64_t span = end > start ? end - start : 0;
    size_t written = 0;
    for (int c = firstColumn; c <= lastColumn; ++c) {
        const uint64_t step = uint64_t(sweep.rightToLeft ? lastColumn - c : c - firstColumn) * span / columns;
        const size_t at = size_t((start + step) / kCdgPacketBytes * kCdgPacketBytes);
        for (int r = top / kCdgTileHeight; r <= bottom / kCdgTileHeight; ++r)
            if (auto p = generator.WriteColorLayer(view, c, r, c + 1, r + 1, mark, base & 0x0F)) {
                generator.WritePacket(at, *p);
                ++written;
            }
    }
    return written;
}
