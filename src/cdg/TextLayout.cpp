#include "cdg/TextLayout.h"

#include <algorithm>
#include <vector>

#include "project/MTextType.h"
#include "project/MTextTypeVer6.h"
#include "text/MFont.h"

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

// Splits page text into display lines: line feeds separate them, carriage returns go, an empty
// line shows as one space, "&" marks go and "&&" leaves one.
std::vector<std::string> PageLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t lf = text.find('\n', begin);
        if (lf == std::string::npos) lf = text.size();
        std::string raw = text.substr(begin, lf - begin);
        while (!raw.empty() && (raw.back() == '\r' || raw.back() == '\n')) raw.pop_back();
        while (!raw.empty() && (raw.front() == '\r' || raw.front() == '\n')) raw.erase(0, 1);
        std::string line;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '&') {
                line.push_back(raw[i]);
            } else if (i + 1 < raw.size() && raw[i + 1] == '&') {
                line.push_back('&');
                ++i;
            }
        }
        lines.push_back(line.empty() ? " " : line);
        begin = lf + 1;
    }
    return lines;
}

} // namespace

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
    int cx = font->Measure(text);
    int cy = ls.size;
    if (ls.flags & kStyleShadow) {
        const int t = ShadowThickness(ls.size);
        cx += 2 * t;
        cy += 2 * t;
    }
    const int h = SlotHeight(slotCount);
    TextBox box;
    switch (ls.hAlign) {
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

TextBox DrawSweepLine(PageCanvas& canvas, int slotCount, int slot, const std::string& lineText,
                      const MTextType& style, int charsBefore, int wordLast, bool addAverageWidth)
{
    if (lineText.empty()) return {};
    const LineStyle ls = StyleForLine(style, nullptr, 0);
    const auto font = FontFor(ls);
    const bool shadow = (ls.flags & kStyleShadow) != 0;
    const int t = ShadowThickness(ls.size);
    const int h = SlotHeight(slotCount);

    TextBox box = PlaceTextLine(slotCount, slot, lineText, style, 1, 0, nullptr, addAverageWidth);
    if (shadow) {
        box.left += t;
        box.right += t;
        box.top += t;
        box.bottom += t;
    }
    std::string cut = lineText;
    if (wordLast >= 0 && size_t(wordLast) < lineText.size()) {
        cut = lineText.substr(0, size_t(wordLast) + 1);
        const int width = font->Measure(cut) + (shadow ? 2 * t : 0);
        box.right = box.left + width;
    }
    DrawLine(canvas, box, cut, *font, ls.flags, t, ls.colour, style, slot * h, slot * h + h);

    if (charsBefore > 0) {
        const std::string before = cut.substr(0, std::min(size_t(charsBefore), cut.size()));
        IndexSurface surface = canvas.Surface(slot * h, slot * h + h);
        font->Draw(surface, box.left, box.top, before, uint8_t(style.backgroundBoxColour & 0x0F));
        const size_t wordLength = cut.size() > before.size() ? cut.size() - before.size() : 0;
        // The word alone is laid out like the cut text: with its outline on both sides.
        box.left = box.right - font->Measure(cut.substr(before.size(), wordLength)) - (shadow ? 2 * t : 0);
    }
    box.left = std::clamp(box.left, 0, kCanvasWidth);
    box.right = std::clamp(box.right, 0, kCanvasWidth);
    box.top = std::clamp(box.top, 0, kCanvasHeight);
    box.bottom = std::clamp(box.bottom, 0, kCanvasHeight);
    return box;
}
