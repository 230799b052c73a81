#include "cdg/WordBoxes.h"

#include "cdg/TextLayout.h"
#include "project/LyricRow.h"
#include "project/KaraokeSong.h"

void ComputeWordBoxes(KaraokeSong& song)
{
    const IMAGE_STRUCT* lyrics = song.FindPage(kPageLyrics);
    if (!lyrics) return;
    const int share = lyrics->hasGraphic ? lyrics->graphicShare : 0;
    for (auto& line : song.lines) {
        const LyricRow row = LyricRowFor(share, song.settings.linesPerPage, line->slot);
        for (MKaraokeWord* w : line->words) {
            const TextBox box = LyricWordBox(row.rows, row.row, line->text, lyrics->style, w->first, w->last);
            w->boxLeft = box.left;
            w->boxTop = box.top;
            w->boxRight = box.right;
            w->boxBottom = box.bottom;
        }
    }
}
