#include <gtest/gtest.h>

#include "project/ColourSlots.h"
#include "project/KaraokeSong.h"

namespace {

uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b)
{
    return (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
}

} // namespace

TEST(KaraokeSong, NewSongHasTitleCreditsAndLyricsPagesWithTheirDefaults)
{
    KaraokeSong song("/tmp/x.tvx");
    ASSERT_EQ(song.PageCount(), 3u);
    EXPECT_EQ(song.PageAt(0)->kind, kPageTitle);
    EXPECT_EQ(song.PageAt(1)->kind, kPageCredits);
    EXPECT_EQ(song.PageAt(2)->kind, kPageLyrics);
    EXPECT_EQ(song.PageAt(3), nullptr);

    for (int kind : {kPageTitle, kPageCredits}) {
        const IMAGE_STRUCT* page = song.FindPage(kind);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->enabled, 0);
        EXPECT_EQ(page->style.size, 26);
        EXPECT_EQ(page->style.hAlign, kAlignCentre);
        EXPECT_EQ(page->style.style, kStyleBold);
        EXPECT_EQ(page->style.colour, kSlotText);
        EXPECT_EQ(page->style.FaceName(), "Arial");
        EXPECT_EQ(page->drawTransition, 0);
        EXPECT_EQ(page->eraseTransition, 0);
        EXPECT_EQ(page->holdTime, 200);
        EXPECT_EQ(page->graphic.ColourRgb(kSlotText), Rgb(255, 255, 255));
        EXPECT_EQ(page->graphic.ColourRgb(kSlotShadow), Rgb(0, 0, 0));
        EXPECT_EQ(page->graphic.ColourRgb(kSlotSweep), Rgb(255, 238, 0));
        EXPECT_EQ(page->graphic.ColourRgb(kSlotBorder), Rgb(0, 17, 102));
        EXPECT_EQ(page->graphic.ColourRgb(kSlotBackground), Rgb(0, 17, 102));
        EXPECT_EQ(page->graphic.ColourRgb(kSlotSinger2), 0u);
    }
    const IMAGE_STRUCT* lyrics = song.FindPage(kPageLyrics);
    EXPECT_EQ(lyrics->enabled, 0);
    EXPECT_EQ(lyrics->style.size, 24);
    EXPECT_EQ(lyrics->style.hAlign, kAlignLeft);
    EXPECT_EQ(lyrics->graphic.ColourRgb(kSlotText), Rgb(128, 255, 255));
    EXPECT_EQ(lyrics->graphic.ColourRgb(kSlotSinger2), Rgb(255, 128, 255));
    EXPECT_EQ(lyrics->graphic.ColourRgb(kSlotBoth), Rgb(64, 255, 0));
    EXPECT_EQ(lyrics->singerColours.singer1, 12);
    EXPECT_EQ(lyrics->singerColours.singer2, 9);
    EXPECT_EQ(lyrics->singerColours.both, 10);
    EXPECT_EQ(song.FindPage(999), nullptr);

    EXPECT_EQ(song.settings.version, 600);
    EXPECT_EQ(song.settings.singerCount, 1);
    EXPECT_EQ(song.settings.linesPerPage, 4);
    EXPECT_EQ(song.settings.sweepColour, 14);
    EXPECT_EQ(song.settings.advanceSweep, -20);
    EXPECT_EQ(song.settings.loopBefore, 3000);
    EXPECT_EQ(song.settings.loopAfter, 3000);
    EXPECT_EQ(song.settings.adjustAmount, 200);
}

TEST(KaraokeSong, BareRecordsHoldTheirOwnDefaults)
{
    IMAGE_STRUCT page;
    EXPECT_EQ(page.drawTransition, 2);
    EXPECT_EQ(page.eraseTransition, 2);
    EXPECT_EQ(page.enabled, 1);
    EXPECT_EQ(page.graphicConversionMode, 1);
    EXPECT_EQ(page.backgroundColour, 15);
    EXPECT_EQ(page.borderColour, 11);

    MTextType bare;
    EXPECT_EQ(bare.FaceName(), "Arial");
    EXPECT_EQ(bare.colour, 0);
    EXPECT_EQ(bare.size, 12);
    EXPECT_EQ(bare.style, 0);
    EXPECT_EQ(bare.hAlign, kAlignLeft);
    EXPECT_EQ(bare.vAlign, kAlignTop);

    // A face longer than the field keeps 127 bytes and its terminator.
    bare.SetFaceName(std::string(300, 'x'));
    EXPECT_EQ(bare.FaceName().size(), kFaceNameBytes - 1);
}

TEST(KaraokeSong, LineStylesPastTheEndReadAsTheOutOfRangeStyle)
{
    MTextTypeVer6 styles;
    styles.lines.push_back({3, 30, kStyleItalic, "Courier", kAlignRight});
    styles.lines.push_back({4, 20, kStyleBold, "Times", kAlignCentre});
    EXPECT_EQ(styles.Colour(1), 4);
    EXPECT_EQ(styles.FaceName(0), "Courier");
    for (int index : {5, -1}) {
        EXPECT_EQ(styles.Colour(index), 0);
        EXPECT_EQ(styles.Size(index), 0);
        EXPECT_EQ(styles.Style(index), 0);
        EXPECT_EQ(styles.FaceName(index), "Arial");
        EXPECT_EQ(styles.HAlign(index), 1);
    }
}

TEST(KaraokeSong, CopyTakesSettingsAndPagesButNoLinesAndAssignBringsThemBack)
{
    KaraokeSong song("/tmp/a.tvx");
    song.lyricText = "one two\nthree";
    song.artist = "Artist";
    song.title = "Title";
    song.musicPath = "/music.wav";
    song.eraseLinesFromBottom = 1;
    song.sweepEntireWord = 1;
    song.SetSingerDescription(0, "Anna");
    song.GenerateKaraokeLineList(true, false);
    song.lines[0]->words[0]->start = 4410;

    auto copy = song.Copy();
    EXPECT_EQ(copy->projectPath, "/tmp/a.tvx");
    EXPECT_EQ(copy->lyricText, song.lyricText);
    EXPECT_EQ(copy->artist, "Artist");
    EXPECT_EQ(copy->musicPath, "/music.wav");
    EXPECT_EQ(copy->eraseLinesFromBottom, 1);
    EXPECT_EQ(copy->LineCount(), 0u);
    EXPECT_TRUE(copy->words.empty());
    EXPECT_EQ(copy->singerDescriptions[0], "");
    ASSERT_EQ(copy->PageCount(), 3u);
    // Pages are copies: the same content, and a change to the copy's page stays in the copy.
    EXPECT_EQ(copy->PageAt(0)->text, song.PageAt(0)->text);
    EXPECT_EQ(copy->PageAt(0)->style.size, song.PageAt(0)->style.size);
    const std::string originalText = song.PageAt(0)->text;
    copy->PageAt(0)->text = "Only in the copy";
    EXPECT_EQ(song.PageAt(0)->text, originalText);
    copy->PageAt(0)->text = originalText;

    // The dialog edits the copy; OK assigns it back.
    copy->settings.linesPerPage = 1;
    copy->FindPage(kPageLyrics)->style.size = 30;
    copy->title = "New title";
    song.AssignSettings(*copy);
    EXPECT_EQ(song.title, "New title");
    EXPECT_EQ(song.FindPage(kPageLyrics)->style.size, 30);
    EXPECT_EQ(song.singerDescriptions[0], "Anna"); // descriptions stay
    ASSERT_EQ(song.LineCount(), 2u);               // lines stay, renumbered
    EXPECT_EQ(song.lines[0]->words[0]->start, 4410u);
    EXPECT_EQ(song.lines[1]->page, 1);
    EXPECT_EQ(song.lines[1]->slot, 0);
}

TEST(KaraokeSong, SetLinesPerPageRenumbers)
{
    KaraokeSong song;
    song.lyricText = "a\nb\nc\nd\ne";
    song.GenerateKaraokeLineList(true, false);
    song.SetLinesPerPage(2);
    std::vector<int> pages, slots;
    for (auto& line : song.lines) {
        pages.push_back(line->page);
        slots.push_back(line->slot);
    }
    EXPECT_EQ(pages, (std::vector<int>{0, 0, 1, 1, 2}));
    EXPECT_EQ(slots, (std::vector<int>{0, 1, 0, 1, 0}));
    EXPECT_EQ(song.LowestPageNumber(), 0);
    EXPECT_EQ(song.HighestPageNumber(), 2);
}

TEST(KaraokeSong, SingerDescriptionIndexOutsideZeroToTwoIsIgnored)
{
    KaraokeSong song;
    song.SetSingerDescription(2, "Both of us");
    song.SetSingerDescription(3, "nobody");
    song.SetSingerDescription(-1, "nobody");
    EXPECT_EQ(song.singerDescriptions[2], "Both of us");
    EXPECT_EQ(song.singerDescriptions[0], "");
    EXPECT_EQ(song.singerDescriptions[1], "");
}

TEST(KaraokeSong, LyricsArePlacedWhenAWordHasAStartAndThePlayerIsIdle)
{
    KaraokeSong song;
    EXPECT_FALSE(song.LyricsPlaced());
    song.lyricText = "la la";
    song.GenerateKaraokeLineList(true, false);
    EXPECT_FALSE(song.LyricsPlaced());
    song.words[1]->start = 1;
    EXPECT_TRUE(song.LyricsPlaced());
    bool playing = true;
    song.isPlaying = [&] { return playing; };
    EXPECT_FALSE(song.LyricsPlaced());
    playing = false;
    EXPECT_TRUE(song.LyricsPlaced());
    song.lyricText.clear();
    EXPECT_FALSE(song.LyricsPlaced());
}

TEST(KaraokeSong, PageLookupsAndRestoreDefaults)
{
    KaraokeSong song;
    song.lyricText = "x";
    song.musicPath = "m.wav";
    song.settings.linesPerPage = 6;
    song.ClearPages();
    EXPECT_EQ(song.FindPage(kPageLyrics), nullptr);
    EXPECT_EQ(song.LowestPageNumber(), 0);
    EXPECT_EQ(song.HighestPageNumber(), 0);
    song.RestoreDefaults();
    EXPECT_EQ(song.PageCount(), 3u);
    EXPECT_EQ(song.lyricText, "");
    EXPECT_EQ(song.musicPath, "");
    EXPECT_EQ(song.settings.linesPerPage, 4);
}
