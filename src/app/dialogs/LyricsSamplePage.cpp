#include "app/dialogs/LyricsSamplePage.h"

#include <cstdio>
#include <string>

#include "cdg/CdgFormat.h"
#include "cdg/LyricLineWriter.h"
#include "cdg/CdgPacketGenerator.h"
#include "cdg/PageWriter.h"
#include "project/LyricRow.h"
#include "project/KaraokeSong.h"

namespace {

std::string Format(const char* pattern, int value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string Format(const char* pattern, const char* value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

} // namespace

size_t WriteLyricsSamplePage(CdgPacketGenerator& generator, KaraokeSong& song, size_t offset)
{
    IMAGE_STRUCT* lyrics = song.FindPage(kPageLyrics);
    if (!lyrics) return 0;
    const bool duet = song.settings.singerCount == 2;
    const ColourTable table = CdgPacketGenerator::PageColourTable(*lyrics);
    const int background = lyrics->backgroundColour & 0x0F;
    size_t o = offset;
    o += WriteScreenReset(generator, table, lyrics->borderColour, background, o);
    const int share = lyrics->hasGraphic ? lyrics->graphicShare : 0;
    if (lyrics->hasGraphic) {
        generator.SetImageHeightPercent(share);
        o += WritePicturePage(generator, lyrics->graphic, lyrics->displayMode, lyrics->graphicConversionMode,
                              lyrics->drawTransition, table, background, o);
        generator.SetImageHeightPercent(100);
    }
    const int lines = song.settings.linesPerPage;
    for (int slot = 0; slot < lines; ++slot) {
        MTextType style = lyrics->style;
        std::string text;
        if (slot == 0) {
            text = "Sample line (swept)";
            style.colour = lyrics->singerColours.singer1;
        } else if (slot <= 2) {
            text = Format("Sample Singer %d", duet ? slot : 1);
            style.colour = duet && slot == 2 ? lyrics->singerColours.singer2 : lyrics->singerColours.singer1;
        } else {
            text = Format("Sample %s", duet ? "Both Singers" : "Singer 1");
            style.colour = duet ? lyrics->singerColours.both : lyrics->singerColours.singer1;
        }
        const LyricRow row = LyricRowFor(share, lines, slot);
        o += WriteLyricLine(generator, row.rows, row.row, text, style, background, o);
        if (slot == 0) {
            // The whole line as one word, swept at once.
            const size_t packets = WriteSweep(generator, row.rows, row.row, text, 0, int(text.size()) - 1, style,
                                              background, song.settings.sweepColour, song.settings.sweepKind, o, o);
            o += packets * kCdgPacketBytes;
        }
    }
    return o - offset;
}
