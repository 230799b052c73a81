#include "cdg/PageWriter.h"

#include <array>
#include <random>

#include "cdg/CdgPacketGenerator.h"
#include "cdg/PagePicture.h"
#include "cdg/TextLayout.h"
#include "project/ImageStruct.h"

namespace {

constexpr int kPercentWhole = 100;
constexpr size_t kHoldBytesPerHundredth = 3 * kCdgPacketBytes; // 300 packets a second
constexpr int kFadeSteps = 8;
constexpr int kDissolveRandomMax = 32767;
constexpr int kCanvasTiles = kCdgContentTileColumns * kCdgContentTileRows; // 768

std::optional<uint32_t>& DissolveSeed()
{
    static std::optional<uint32_t> seed;
    return seed;
}

// The running state of one transition: where the next packet goes.
class TransitionWriter {
public:
    TransitionWriter(CdgPacketGenerator& generator, const PageCanvas& canvas, size_t offset)
        : m_generator(generator), m_view(canvas.View()), m_start(offset), m_offset(offset)
    {
    }

    void Tile(int column, int row, int screenColumn, int screenRow)
    {
        m_offset += m_generator.WriteImageTile(m_view, column, row, screenColumn, screenRow, m_offset);
    }
    void Scroll(int hCommand, int hOffset, int vCommand, int vOffset)
    {
        m_offset += m_generator.WriteScrollCopy(hCommand, hOffset, vCommand, vOffset, m_offset);
    }
    void OffsetH(int n) { Scroll(kCdgScrollNone, n, kCdgScrollNone, 0); }
    void OffsetV(int n) { Scroll(kCdgScrollNone, 0, kCdgScrollNone, n); }
    void Colours(const ColourTable& table)
    {
        m_offset += m_generator.LoadColorTable(std::span<const uint32_t, kCdgColourCount>(table), m_offset);
    }
    size_t Used() const { return m_offset - m_start; }
    const IndexImageView& View() const { return m_view; }
    size_t Start() const { return m_start; }

private:
    CdgPacketGenerator& m_generator;
    IndexImageView m_view;
    size_t m_start;
    size_t m_offset;
};

// The offsets that follow the tiles of a staged column: after rows 3, 5, 8, 10 and 13.
int ColumnStepAfterRow(int row)
{
    switch (row) {
    case 3: return 0;
    case 5: return 1;
    case 8: return 2;
    case 10: return 3;
    case 13: return 4;
    default: return -1;
    }
}

uint32_t Blend(uint32_t a, int weightA, uint32_t b, int weightB)
{
    auto channel = [&](uint8_t x, uint8_t y) { return uint8_t((x * weightA + y * weightB) / kFadeSteps); };
    return MakeColourValue(channel(ColourRed(a), ColourRed(b)), channel(ColourGreen(a), ColourGreen(b)),
                           channel(ColourBlue(a), ColourBlue(b)));
}

// The same song gives the same stream: the dissolve's order is drawn from the picture it brings
// in and where it starts, so it differs from page to page and looks random, but never from one
// export of a song to the next.
uint32_t SongDissolveSeed(const TransitionWriter& w)
{
    constexpr uint32_t kFnvOffset = 2166136261u;
    constexpr uint32_t kFnvPrime = 16777619u;
    uint32_t hash = kFnvOffset;
    const auto mix = [&hash](uint32_t byte) { hash = (hash ^ (byte & 0xFF)) * kFnvPrime; };
    const IndexImageView& view = w.View();
    if (view.pixels)
        for (int y = 0; y < view.height; ++y)
            for (int x = 0; x < view.width; ++x) mix(view.At(x, y));
    for (size_t start = w.Start(), i = 0; i < sizeof start; ++i, start >>= 8) mix(uint32_t(start));
    return hash;
}

void BlockDissolve(TransitionWriter& w, int rows)
{
    std::minstd_rand random(DissolveSeed().value_or(SongDissolveSeed(w)));
    std::uniform_int_distribution<int> draw(0, kDissolveRandomMax);
    std::array<bool, kCanvasTiles> marked{};
    int left = kCanvasTiles;
    while (left > 0) {
        int d = int(int64_t(left) * draw(random) / kDissolveRandomMax);
        int taken = -1;
        for (int i = 0; i < kCanvasTiles; ++i) {
            if (marked[size_t(i)]) continue;
            if (d == 0) {
                taken = i;
                break;
            }
            --d;
        }
        if (taken < 0) continue; // d reached the number of unmarked tiles: nothing this round
        marked[size_t(taken)] = true;
        --left;
        const int column = taken % kCdgContentTileColumns;
        const int row = taken / kCdgContentTileColumns;
        if (row < rows) w.Tile(column, row, column + 1, row + 1);
    }
}

// Shows a canvas on a screen sink at once (previews), the top `pixelRows` rows of it.
void PreviewCanvas(CdgPacketGenerator& generator, const PageCanvas& canvas, int pixelRows)
{
    CdgPacketSink& screen = generator.Sink();
    if (!screen.HasScreen()) return;
    const CdgPacketSink::Frame frame = screen.BeginFrame();
    if (frame.pixels) {
        for (int y = 0; y < std::min(pixelRows, kCanvasHeight); ++y)
            for (int x = 0; x < kCanvasWidth; ++x)
                frame.pixels[size_t(y + kCdgVisibleTop) * size_t(frame.pitch) + size_t(x + kCdgVisibleLeft)] =
                    canvas.At(x, y);
    }
    screen.EndFrame();
}

bool PictureUsable(const MBitmap& picture)
{
    const auto& h = picture.header;
    return h.width > 0 && h.height > 0 && h.width <= kCanvasWidth && h.height <= kCanvasHeight;
}

PageCanvas PictureCanvas(MBitmap& picture, int displayMode, int ditherAmount, int background, const ColourTable& table)
{
    PictureToIndexed(picture, ditherAmount);
    PageCanvas canvas = PlacePicture(picture, displayMode, uint8_t(background & 0x0F));
    canvas.colours = table;
    return canvas;
}

} // namespace

const char* TransitionName(int transition)
{
    static const char* const kNames[] = {"Fill Right",  "Fill Left",   "Fill Down", "Fill Up",
                                         "Scroll Right", "Scroll Left", "Scroll Down", "Scroll Up",
                                         "Block Dissolve", "Fade In",   "Fade Out"};
    if (transition < 0 || transition > kFadeOut) return "";
    return kNames[transition];
}

void SetDissolveSeedForTesting(std::optional<uint32_t> seed)
{
    DissolveSeed() = seed;
}

size_t RunTransition(CdgPacketGenerator& generator, const PageCanvas& canvas, int transition, const ColourTable& table,
                     int background, size_t offset)
{
    TransitionWriter w(generator, canvas, offset);
    const int percent = generator.ImageHeightPercent();
    const int rows = generator.DrawnImageTileRows();
    const int lastRow = std::min(percent * (kCdgContentTileRows - 1) / kPercentWhole, kCdgContentTileRows - 1);
    const int columns = kCdgContentTileColumns;

    switch (transition) {
    case kFillRight:
        for (int c = 0; c < columns; ++c)
            for (int r = 0; r < rows; ++r) w.Tile(c, r, c + 1, r + 1);
        break;
    case kFillLeft:
        for (int c = columns - 1; c >= 0; --c)
            for (int r = 0; r < rows; ++r) w.Tile(c, r, c + 1, r + 1);
        break;
    case kFillDown:
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) w.Tile(c, r, c + 1, r + 1);
        break;
    case kFillUp:
        for (int r = lastRow; r >= 0; --r)
            for (int c = 0; c < columns; ++c) w.Tile(c, r, c + 1, r + 1);
        break;
    case kScrollRight: {
        static constexpr int kSteps[] = {4, 3, 2, 1, 0};
        w.OffsetH(5);
        for (int c = columns - 1; c >= 0; --c) {
            for (int r = 0; r < rows; ++r) {
                w.Tile(c, r, 0, r + 1);
                if (const int step = ColumnStepAfterRow(r); step >= 0) w.OffsetH(kSteps[step]);
            }
            w.Scroll(kCdgScrollRightOrDown, 5, kCdgScrollNone, 0);
        }
        for (int n : kSteps) w.OffsetH(n);
        break;
    }
    case kScrollLeft: {
        static constexpr int kSteps[] = {1, 2, 3, 4, 5};
        w.Scroll(kCdgScrollNone, 0, kCdgScrollNone, 0);
        for (int c = 0; c < columns; ++c) {
            for (int r = 0; r < rows; ++r) {
                w.Tile(c, r, 0, r + 1);
                if (const int step = ColumnStepAfterRow(r); step >= 0) w.OffsetH(kSteps[step]);
            }
            w.Scroll(kCdgScrollLeftOrUp, 0, kCdgScrollNone, 0);
        }
        for (int n = 0; n <= 5; ++n) w.OffsetH(n);
        w.Scroll(kCdgScrollLeftOrUp, 0, kCdgScrollNone, 0);
        break;
    }
    case kScrollDown:
        w.OffsetV(11);
        for (int r = lastRow; r >= 0; --r) {
            for (int c = 0; c < columns; ++c) {
                w.Tile(c, r, c + 1, 0);
                if (c % 4 == 0 && c >= 4 && c <= 44) w.OffsetV(11 - c / 4);
            }
            w.Scroll(kCdgScrollNone, 0, kCdgScrollRightOrDown, 11);
        }
        for (int n = 10; n >= 0; --n) w.OffsetV(n);
        break;
    case kScrollUp:
        w.Scroll(kCdgScrollNone, 0, kCdgScrollNone, 0);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                w.Tile(c, r, c + 1, 0);
                if (c % 4 == 0 && c >= 4 && c <= 44) w.OffsetV(c / 4);
            }
            w.Scroll(kCdgScrollNone, 0, kCdgScrollLeftOrUp, 0);
        }
        for (int n = 1; n <= 11; ++n) w.OffsetV(n);
        w.Scroll(kCdgScrollNone, 0, kCdgScrollLeftOrUp, 0);
        break;
    case kBlockDissolve: BlockDissolve(w, rows); break;
    case kFadeIn: {
        const uint32_t bg = table[size_t(background) & 0x0F];
        ColourTable working;
        working.fill(bg);
        w.Colours(working);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) w.Tile(c, r, c + 1, r + 1);
        for (int f = 1; f <= kFadeSteps; ++f)
            for (size_t i = 0; i < working.size(); ++i) {
                working[i] = Blend(bg, kFadeSteps - f, table[i], f);
                w.Colours(working);
            }
        break;
    }
    case kFadeOut: {
        const uint32_t bg = table[size_t(background) & 0x0F];
        ColourTable working{};
        for (int k = 0; k <= kFadeSteps; ++k)
            for (size_t i = 0; i < working.size(); ++i) {
                working[i] = Blend(table[i], kFadeSteps - k, bg, k);
                w.Colours(working);
            }
        break;
    }
    default: break;
    }
    return w.Used();
}

PageCanvas TextPageCanvas(const std::string& text, const MTextType& style, const MTextTypeVer6* lineStyles,
                          int background, const ColourTable& table, bool addAverageWidth)
{
    PageCanvas canvas;
    canvas.colours = table;
    canvas.Fill(uint8_t(background & 0x0F));
    DrawPageText(canvas, 1, 0, text, style, lineStyles, addAverageWidth);
    return canvas;
}

size_t WriteTextPage(CdgPacketGenerator& generator, const std::string& text, const MTextType& style,
                     const MTextTypeVer6* lineStyles, int transition, int background, const ColourTable& table,
                     size_t offset)
{
    const PageCanvas canvas =
        TextPageCanvas(text, style, lineStyles, background, table, generator.LineWidthFlag() != 0);
    PreviewCanvas(generator, canvas, kCanvasHeight);
    return RunTransition(generator, canvas, transition, table, background, offset);
}

size_t WritePicturePage(CdgPacketGenerator& generator, MBitmap& picture, int displayMode, int ditherAmount, int transition,
                        const ColourTable& table, int background, size_t offset)
{
    if (!PictureUsable(picture)) return 0;
    const PageCanvas canvas = PictureCanvas(picture, displayMode, ditherAmount, background, table);
    PreviewCanvas(generator, canvas, generator.ImageHeightPercent() * kCanvasHeight / kPercentWhole);
    return RunTransition(generator, canvas, transition, table, background, offset);
}

size_t WritePictureTextPage(CdgPacketGenerator& generator, MBitmap& picture, int displayMode, int ditherAmount,
                            int transition, const ColourTable& table, int background, const std::string& text,
                            const MTextType& style, size_t offset)
{
    if (!PictureUsable(picture)) return 0;
    PageCanvas canvas = PictureCanvas(picture, displayMode, ditherAmount, background, table);
    DrawPageText(canvas, 1, 0, text, style, nullptr, generator.LineWidthFlag() != 0);
    PreviewCanvas(generator, canvas, kCanvasHeight);
    return RunTransition(generator, canvas, transition, table, background, offset);
}

size_t WritePage(CdgPacketGenerator& generator, IMAGE_STRUCT& page, bool isTitle, size_t offset)
{
    const ColourTable table = CdgPacketGenerator::PageColourTable(page);
    const std::span<const uint32_t, kCdgColourCount> colours(table);
    size_t o = offset;
    for (int i = 0; i < 2; ++i) {
        o += generator.LoadColorTable(colours, o);
        o += generator.PresetMemory(page.backgroundColour, o);
        o += generator.PresetBorder(page.borderColour, o);
    }
    if (page.hasGraphic) {
        if (!PictureUsable(page.graphic)) return 0;
        if (page.text.empty())
            o += WritePicturePage(generator, page.graphic, page.displayMode, page.graphicConversionMode,
                                  page.drawTransition, table, page.backgroundColour, o);
        else
            o += WritePictureTextPage(generator, page.graphic, page.displayMode, page.graphicConversionMode,
                                      page.drawTransition, table, page.backgroundColour, page.text, page.style, o);
    } else {
        o += WriteTextPage(generator, page.text, page.style, &page.lineStyles, page.drawTransition,
                           page.backgroundColour, table, o);
    }
    o += size_t(std::max(0, page.holdTime)) * kHoldBytesPerHundredth;
    if (isTitle)
        o += WriteTextPage(generator, std::string(), page.style, nullptr, page.eraseTransition, page.backgroundColour,
                           table, o);
    return o - offset;
}
