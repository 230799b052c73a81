#include "player/PagePreview.h"

#include "cdg/LyricLineWriter.h"
#include "cdg/CdgPacketGenerator.h"
#include "cdg/PageWriter.h"
#include "player/CdgScreenSink.h"
#include "project/ColourSlots.h"
#include "project/LyricRow.h"
#include "project/KaraokeSong.h"

void DrawPagePreview(CdgScreen& renderer, IMAGE_STRUCT& page)
{
    CdgScreenSink screen(&renderer);
    CdgPacketGenerator generator(screen);
    generator.SetLineWidthFlag(0);
    WritePage(generator, page, false, 0);
}

void DrawLyricPagePreview(CdgScreen& renderer, const KaraokeSong& song, int pageNumber)
{
    const IMAGE_STRUCT* lyrics = song.FindPage(kPageLyrics);
    if (!lyrics) return;
    CdgScreenSink screen(&renderer);
    CdgPacketGenerator generator(screen);
    generator.SetLineWidthFlag(0);
    const ColourTable table = CdgPacketGenerator::PageColourTable(*lyrics);
    const int background = lyrics->backgroundColour & 0x0F;
    WriteScreenReset(generator, table, lyrics->borderColour, background, 0);
    const int share = lyrics->hasGraphic ? lyrics->graphicShare : 0;
    if (lyrics->hasGraphic) {
        generator.SetImageHeightPercent(share);
        // The writer converts a picture that waits for it; the preview leaves the song's as it is.
        MBitmap picture = lyrics->graphic;
        WritePicturePage(generator, picture, lyrics->displayMode, lyrics->graphicConversionMode,
                         lyrics->drawTransition, table, background, 0);
        generator.SetImageHeightPercent(100);
    }
    for (const auto& line : song.lines) {
        if (line->page != pageNumber) continue;
        MTextType style = lyrics->style;
        style.colour = song.settings.singerCount == 1 ? kSlotText : line->colour;
        const LyricRow row = LyricRowFor(share, song.settings.linesPerPage, line->slot);
        WriteLyricLine(generator, row.rows, row.row, line->text, style, background, 0);
    }
}
