#include "cdg/TextLayout.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "project/MTextType.h"
#include "project/MTextTypeVer6.h"
#include "text/MFont.h"
#include "text/TextDirection.h"

namespace {

// The style fields that one line of a block uses.
struct LineStyle {
    std::string face;
    int size;
    int flags;
    int hAlign;
    int colour;
};

LineStyle StyleForLine(const MTextType& base, const MTextTypeVer6* lineStyles, int lineInBlock)
{
    if (lineInBlock > 0 && lineStyles && lineStyles->Count() >= size_t(lineInBlock)) {
        const t_MTextTypeVer6_s s = lineStyles->At(lineInBlock - 1);
        return {s.faceName, s.size, s.style, s.hAlign, s.colour};
    }
    return {base.FaceName(), base.size, base.style, base.hAlign, base.colour};
}

std::shared_ptr<const MFont> FontFor(const LineStyle& s)
{
    FontSpec request;
    request.face = s.face;
    request.cellHeight = s.size;
    request.bold = (s.flags & kStyleBold) != 0;
    request.italic = (s.flags & kStyleItalic) != 0;
    request.underline = (s.flags & kStyleUnderline) != 0;
    return MFont::Get(request);
}

int SlotHeight(int slotCount)
{
    return kCanvasHeight / std::max(1, slotCount);
}

// Background box, outline and text of one line whose cell starts at the box's corner.
void DrawLine(PageCanvas& canvas, const TextBox& box, const std::string& text, const MFont& font, int flags,
              int thickness, int textColour, const MTextType& base, int clipTop, int clipBottom)
{
    if (base.backgroundBox == 1) {
        TextBox clipped = box;
        clipped.top = std::max(clipped.top, clipTop);
        clipped.bottom = std::min(clipped.bottom, clipBottom);
        canvas.FillRect(clipped, uint8_t(base.backgroundBoxColour & 0x0F));
    }
    IndexSurface surface = canvas.Surface(clipTop, clipBottom);
    if (flags & kStyleShadow) {
        const uint8_t shadow = uint8_t(base.shadowColour & 0x0F);
        for (int j = -thickness; j <= thickness; ++j)
            for (int i = -thickness; i <= thickness; ++i) font.Draw(surface, box.left + i, box.top + j, text, shadow);
    }
    font.Draw(surface, box.left, box.top, text, uint8_t(textColour & 0x0F));
}

// Splits page text at line feeds into the lines as they are drawn.
std::vector<std::string> PageLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t lf = text.find('\n', begin);
        if (lf == std::string::npos) lf = text.size();
        lines.push_back(DrawnLineText(std::string_view(text).substr(begin, lf - begin)).text);
        begin = lf + 1;
    }
    return lines;
}

// Where the text of a single lyric line starts: one outline thickness in from its box.
struct LyricLinePlace {
    TextBox box;
    int textLeft, textTop;
    int thickness; // of the outline; 0 without one
    int clipTop, clipBottom;
};

LyricLinePlace PlaceLyricLine(int slotCount, int slot, const std::string& drawn, const MTextType& style)
{
    LyricLinePlace p;
    p.box = PlaceTextLine(slotCount, slot, drawn, style, 1, 0, nullptr, false);
    p.thickness = (style.style & kStyleShadow) ? ShadowThickness(style.size) : 0;
    p.textLeft = p.box.left + p.thickness;
    p.textTop = p.box.top + p.thickness;
    const int h = SlotHeight(slotCount);
    p.clipTop = std::max(0, slot * h);
    p.clipBottom = std::min(kCanvasHeight, slot * h + h);
    return p;
}

// The drawn range [first, end) of the line characters first ... last; empty when out of range.
std::pair<int, int> DrawnRange(const DrawnText& drawn, int first, int last)
{
    const int n = int(drawn.before.size()) - 1;
    if (first < 0 || last < first || first > n) return {0, 0};
    return {drawn.before[size_t(first)], drawn.before[size_t(std::min(last + 1, n))]};
}

// The box of the characters that stand at span on the line, their outline included; empty when
// they take no room.
TextBox SpanBoxOnLine(const LyricLinePlace& p, const MFont::Span& span)
{
    if (span.right <= span.left) return {};
    TextBox box;
    box.left = p.textLeft - p.thickness + span.left;
    box.right = p.textLeft + p.thickness + span.right;
    box.top = std::max(p.box.top, p.clipTop);
    box.bottom = std::min(p.box.bottom, p.clipBottom);
    box.left = std::clamp(box.left, 0, kCanvasWidth);
    box.right = std::clamp(box.right, 0, kCanvasWidth);
    if (box.right <= box.left || box.bottom <= box.top) return {};
    return box;
}

TextBox WordBoxOnLine(const LyricLinePlace& p, const MFont& font, const std::string& drawn, int first, int end)
{
    if (end <= first) return {};
    return SpanBoxOnLine(p, font.SpanOf(drawn, size_t(first), size_t(end)));
}

} // namespace

DrawnText DrawnLineText(std::string_view line)
{
    DrawnText d;
    d.before.assign(line.size() + 1, 0);
    size_t begin = 0, end = line.size();
    while (end > begin && (line[end - 1] == '\r' || line[end - 1] == '\n')) --end;
    while (begin < end && (line[begin] == '\r' || line[begin] == '\n')) ++begin;
    for (size_t i = 0; i < line.size(); ++i) {
        d.before[i] = int(d.text.size());
        if (i < begin || i >= end) continue;
        if (line[i] != '&') {
            d.text.push_back(line[i]);
        } else if (i + 1 < end && line[i + 1] == '&') {
            d.text.push_back('&');
            d.before[++i] = int(d.text.size());
        }
    }
    d.before[line.size()] = int(d.text.size());
    if (d.text.empty()) d.text = " ";
    return d;
}

std::vector<std::string> DrawnPageLines(const std::string& text)
{
    return text.empty() ? std::vector<std::string>{} : PageLines(text);
}

int DrawnLineWidth(const std::string& drawnText, const MTextType& style, const MTextTypeVer6* lineStyles,
                   int lineInBlock)
{
    const LineStyle ls = StyleForLine(style, lineStyles, lineInBlock);
    const int cx = FontFor(ls)->Measure(drawnText);
    return (ls.flags & kStyleShadow) ? cx + 2 * ShadowThickness(ls.size) : cx;
}

std::shared_ptr<const MFont> StyleFont(const MTextType& style)
{
    return FontFor(StyleForLine(style, nullptr, 0));
}

int ShadowThickness(int size)
{
    const int t = size / 10;
    return t < 2 ? 1 : t;
}

TextBox PlaceTextLine(int slotCount, int slot, const std::string& text, const MTextType& style, int blockLines,
                      int lineInBlock, const MTextTypeVer6* lineStyles, bool addAverageWidth)
{
    const LineStyle ls = StyleForLine(style, lineStyles, lineInBlock);
    const auto font = FontFor(ls);
    const int cx = DrawnLineWidth(text, style, lineStyles, lineInBlock);
    const int cy = (ls.flags & kStyleShadow) ? ls.size + 2 * ShadowThickness(ls.size) : ls.size;
    const int h = SlotHeight(slotCount);
    TextBox box;
    // A line that reads right to left is aligned from the right: its start is where left-aligned
    // text starts.
    int align = ls.hAlign;
    if (align != kAlignCentre && StartsRightToLeft(text)) align = align == kAlignRight ? kAlignLeft : kAlignRight;
    switch (align) {
    case kAlignCentre: box.left = (kCanvasWidth - cx) / 2; break;
    case kAlignRight: box.left = kCanvasWidth - cx; break;
    default: box.left = 0; break;
    }
    const int k = lineInBlock;
    const int c = blockLines;
    switch (style.vAlign) {
    case kAlignTop: box.top = k * cy + slot * h; break;
    case kAlignBottom: box.top = slot * h + h + k * cy - c * cy; break;
    default: box.top = k * cy + slot * h + (h - c * cy) / 2; break;
    }
    box.right = box.left + cx + (addAverageWidth ? font->AverageCharWidth() : 0);
    box.bottom = box.top + std::min(cy, h);
    return box;
}

TextBox DrawPageText(PageCanvas& canvas, int slotCount, int slot, const std::string& text, const MTextType& style,
                     const MTextTypeVer6* lineStyles, bool addAverageWidth)
{
    if (text.empty()) return {};
    const std::vector<std::string> lines = PageLines(text);
    const int count = int(lines.size());
    const int thickness = ShadowThickness(style.size);
    const int h = SlotHeight(slotCount);
    const int clipTop = slot * h;
    const int clipBottom = clipTop + h;

    std::vector<TextBox> boxes;
    if (count == 1) {
        boxes.push_back(PlaceTextLine(slotCount, slot, lines[0], style, 1, 0, lineStyles, addAverageWidth));
    } else {
        int total = 0;
        for (int k = 0; k < count; ++k) {
            boxes.push_back(PlaceTextLine(slotCount, slot, lines[size_t(k)], style, count, k, lineStyles,
                                          addAverageWidth));
            total += boxes.back().bottom - boxes.back().top;
        }
        int y = style.vAlign == kAlignTop ? 0 : style.vAlign == kAlignBottom ? kCanvasHeight - total
                                                                             : (kCanvasHeight - total) / 2;
        for (TextBox& box : boxes) {
            const int height = box.bottom - box.top;
            box.top = y;
            box.bottom = y + height;
            y += height;
        }
    }
    for (int k = 0; k < count; ++k) {
        const LineStyle ls = StyleForLine(style, lineStyles, k);
        // A shadowed line's text sits one thickness in from its box, as a sweep draws it, so
        // the outline fills the box and a sweep lands exactly on the drawn letters.
        TextBox at = boxes[size_t(k)];
        if (ls.flags & kStyleShadow) {
            at.left += thickness;
            at.top += thickness;
        }
        DrawLine(canvas, at, lines[size_t(k)], *FontFor(ls), ls.flags, thickness, ls.colour, style, clipTop,
                 clipBottom);
    }
    return boxes.back();
}

TextBox LyricWordBox(int slotCount, int slot, const std::string& lineText, const MTextType& style, int first,
                     int last)
{
    if (lineText.empty()) return {};
    const DrawnText drawn = DrawnLineText(lineText);
    const auto [begin, end] = DrawnRange(drawn, first, last);
    const LyricLinePlace place = PlaceLyricLine(slotCount, slot, drawn.text, style);
    return WordBoxOnLine(place, *FontFor(StyleForLine(style, nullptr, 0)), drawn.text, begin, end);
}

namespace {

// What the sweeps of one line's words share: the line drawn unswept, and the letters of the
// characters before the last word asked for. A line's words are swept one after the other, so
// each word draws only the letters between the last word's start and its own.
struct LineSweepCache {
    int slotCount = -1, slot = -1, background = -1;
    std::string text;
    MTextType style;
    PageCanvas line;
    PageCanvas before; // 2 on the letters of the drawn characters before upTo, else 0
    int upTo = 0;

    bool Holds(int slots, int at, const std::string& lineText, const MTextType& s, int back) const
    {
        return slotCount == slots && slot == at && background == back && text == lineText &&
               std::memcmp(style.faceName, s.faceName, sizeof s.faceName) == 0 && style.colour == s.colour &&
               style.size == s.size && style.style == s.style && style.hAlign == s.hAlign && style.vAlign == s.vAlign &&
               style.shadowColour == s.shadowColour && style.backgroundBox == s.backgroundBox &&
               style.backgroundBoxColour == s.backgroundBoxColour;
    }
};

// One a thread: the stream writer and a preview may sweep at once.
LineSweepCache& SweepCacheFor(int slotCount, int slot, const std::string& lineText, const MTextType& style,
                              int background)
{
    thread_local LineSweepCache cache;
    if (!cache.Holds(slotCount, slot, lineText, style, background)) {
        cache.slotCount = slotCount;
        cache.slot = slot;
        cache.background = background;
        cache.text = lineText;
        cache.style = style;
        cache.line.SetIndexRamp();
        cache.line.Fill(uint8_t(background & 0x0F));
        DrawPageText(cache.line, slotCount, slot, lineText, style, nullptr, false);
        cache.before.Fill(0);
        cache.upTo = 0;
    }
    return cache;
}

} // namespace

WordSweepPixels SweepWordPixels(int slotCount, int slot, const std::string& lineText, const MTextType& style,
                                int background, int charsBefore, int wordLast, int sweptLast, bool backgroundMode)
{
    WordSweepPixels sweep;
    const uint8_t backgroundIndex = uint8_t(background & 0x0F);
    if (lineText.empty()) {
        sweep.line.SetIndexRamp();
        sweep.line.Fill(backgroundIndex);
        return sweep;
    }
    LineSweepCache& cache = SweepCacheFor(slotCount, slot, lineText, style, background);
    sweep.line = cache.line;

    const DrawnText drawn = DrawnLineText(lineText);
    const auto [begin, end] = DrawnRange(drawn, charsBefore, wordLast);
    const LyricLinePlace place = PlaceLyricLine(slotCount, slot, drawn.text, style);
    const auto font = FontFor(StyleForLine(style, nullptr, 0));
    sweep.top = place.clipTop;
    sweep.bottom = std::max(place.clipTop, place.clipBottom);
    sweep.box = WordBoxOnLine(place, *font, drawn.text, begin, end);
    if (sweep.box == TextBox{}) return sweep;

    // A word reads the way its first letter with a direction is read where the line puts it: a
    // Hebrew word right to left, an English word or a number inside a Hebrew line left to right.
    sweep.rightToLeft = font->RightToLeftAt(drawn.text, FirstStrongLetter(drawn.text, size_t(begin), size_t(end)));

    // The letters of the line are drawn where the whole line puts them: a word of a right-to-left
    // or joined script looks in its line as it does nowhere else. The letters before the word are
    // drawn on from where the last word of the line left them; an underline runs under a range
    // as a whole, so an underlined line draws them anew.
    const std::string_view text(drawn.text);
    const bool underlined = font->Requested().underline;
    if (underlined || begin < cache.upTo) {
        cache.before.Fill(0);
        cache.upTo = 0;
    }
    IndexSurface earlier = cache.before.Surface(place.clipTop, place.clipBottom);
    font->DrawRange(earlier, place.textLeft, place.textTop, text, size_t(cache.upTo), size_t(begin), 2);
    cache.upTo = underlined ? 0 : begin;

    std::copy(cache.before.pixels.begin() + ptrdiff_t(sweep.top) * kCanvasWidth,
              cache.before.pixels.begin() + ptrdiff_t(sweep.bottom) * kCanvasWidth,
              sweep.changed.pixels.begin() + ptrdiff_t(sweep.top) * kCanvasWidth);
    if (!backgroundMode) {
        // The word's letters, less any pixel that a letter before it covers too.
        IndexSurface surface = sweep.changed.Surface(place.clipTop, place.clipBottom);
        const MFont::Span inked = font->DrawRange(surface, place.textLeft, place.textTop, text,
                                                  underlined ? 0 : size_t(begin), size_t(end), 1);
        sweep.changedLeft = inked.left;
        sweep.changedRight = inked.right;
        for (int y = sweep.top; y < sweep.bottom; ++y)
            for (int x = inked.left; x < inked.right; ++x)
                if (cache.before.At(x, y) == 2) sweep.changed.Set(x, y, 2);
        return sweep;
    }
    // The background of the word's box beyond what the words swept before took: the pieces the
    // line shows them in left of the word end its sweep there, those right of it there. A line
    // of one direction has one such piece, on the side where the word begins to be read.
    int left = sweep.box.left, right = sweep.box.right;
    const auto [sweptBegin, sweptEnd] = DrawnRange(drawn, 0, sweptLast);
    if (sweptEnd > sweptBegin)
        for (const MFont::Span& piece : font->PiecesOf(drawn.text, 0, size_t(sweptEnd))) {
            const TextBox swept = SpanBoxOnLine(place, piece);
            if (swept == TextBox{}) continue;
            if (swept.left < sweep.box.left)
                left = std::max(left, swept.right);
            else
                right = std::min(right, swept.left);
        }
    sweep.changedLeft = left;
    sweep.changedRight = std::max(left, right);
    for (int y = sweep.box.top; y < sweep.box.bottom; ++y)
        for (int x = left; x < right; ++x)
            if (sweep.line.At(x, y) == backgroundIndex) sweep.changed.Set(x, y, 1);
    return sweep;
}
