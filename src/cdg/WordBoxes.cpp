#include "cdg/WordBoxes.h"

#include "cdg/TextLayout.h"
#include "project/LyricRow.h"
#include "project/MSongSettings.h"
#include "text/MFont.h"

void ComputeWordBoxes(MSongSettings& song)
{
    const IMAGE_STRUCT* lyrics = song.FindPage(kPageLyrics);
    if (!lyrics) return;
    const MTextType& style = lyrics->style;
    const int share = lyrics->hasGraphic ? lyrics->graphicShare : 0;
    const auto font = MFont::Get({style.FaceName(), style.size, (style.style & kStyleBold) != 0,
                                  (style.style & kStyleItalic) != 0, (style.style & kStyleUnderline) != 0});
    // Shadowed text is drawn one thickness in from its box.
    const int inset = (style.style & kStyleShadow) ? ShadowThickness(style.size) : 0;
    for (auto& line : song.lines) {
        const LyricRow row = LyricRowFor(share, song.settings.linesPerPage, line->slot);
        const TextBox box = PlaceTextLine(row.rows, row.row, line->text, style, 1, 0, nullptr, false);
        for (MKaraokeWord* w : line->words) {
            const bool inside = w->first >= 0 && w->last >= w->first && size_t(w->last) < line->text.size();
            if (!inside) {
                w->boxLeft = w->boxTop = w->boxRight = w->boxBottom = 0;
                continue;
            }
            w->boxLeft = box.left + inset + font->Measure(std::string_view(line->text).substr(0, size_t(w->first)));
            w->boxRight = box.left + inset + font->Measure(std::string_view(line->text).substr(0, size_t(w->last) + 1));
            w->boxTop = box.top;
            w->boxBottom = box.bottom;
        }
    }
}
