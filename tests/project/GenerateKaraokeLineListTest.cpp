#include <gtest/gtest.h>

#include "project/LyricMarkup.h"
#include "project/KaraokeSong.h"

namespace {

struct Span {
    int first;
    int last;
    uint32_t flags;
    bool operator==(const Span&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Span& s)
{
    return os << "[" << s.first << ".." << s.last << " f" << s.flags << "]";
}

std::vector<Span> Spans(const MKaraokeLine& line)
{
    std::vector<Span> out;
    for (const MKaraokeWord* w : line.words) out.push_back({w->first, w->last, w->flags});
    return out;
}

std::vector<std::string> Texts(const KaraokeSong& song)
{
    std::vector<std::string> out;
    for (const auto& line : song.lines) out.push_back(line->text);
    return out;
}

KaraokeSong& Build(KaraokeSong& song, const std::string& text, bool finalText = false)
{
    song.lyricText = text;
    song.GenerateKaraokeLineList(true, finalText);
    return song;
}

} // namespace

TEST(LyricMarkup, NormalisingCollapsesSpacesAndStripsThemAroundLineEndsAndSyllableMarks)
{
    EXPECT_EQ(NormaliseLyricText("  a    b \r\n   c  *  d   \n\n e  "), "a b\nc*d\n\ne");
    EXPECT_EQ(NormaliseLyricText("x *   * y"), "x**y");
    EXPECT_EQ(NormaliseLyricText("     "), "");
    EXPECT_EQ(NormaliseLyricText("\n\n"), "\n\n");
}

TEST(GenerateKaraokeLineList, SplitsWordsAtSpacesAndSyllableMarks)
{
    KaraokeSong song;
    Build(song, "Hello world");
    ASSERT_EQ(song.LineCount(), 1u);
    EXPECT_EQ(Spans(*song.lines[0]), (std::vector<Span>{{0, 4, 0}, {6, 10, 0}}));

    Build(song, "Hel*lo world");
    EXPECT_EQ(song.lines[0]->text, "Hel*lo world");
    EXPECT_EQ(Spans(*song.lines[0]), (std::vector<Span>{{0, 2, 2}, {4, 5, 4}, {7, 11, 0}}));

    Build(song, "Hel*lo world", true);
    EXPECT_EQ(song.lines[0]->text, "Hello world");
    EXPECT_EQ(Spans(*song.lines[0]), (std::vector<Span>{{0, 2, 2}, {3, 4, 4}, {6, 10, 0}}));

    // Three syllables: the middle one both continues and joins.
    Build(song, "a*b*c", true);
    EXPECT_EQ(song.lines[0]->text, "abc");
    EXPECT_EQ(Spans(*song.lines[0]), (std::vector<Span>{{0, 0, 2}, {1, 1, 6}, {2, 2, 4}}));
    EXPECT_EQ(song.words.size(), 3u);
    EXPECT_EQ(song.words[1]->line, song.lines[0].get());
}

TEST(GenerateKaraokeLineList, UnderscoreIsASpaceInsideOneWordOnlyInFinalText)
{
    KaraokeSong song;
    Build(song, "New_York now");
    EXPECT_EQ(song.lines[0]->text, "New_York now");
    EXPECT_EQ(Spans(*song.lines[0]), (std::vector<Span>{{0, 7, 0}, {9, 11, 0}}));
    Build(song, "New_York now", true);
    EXPECT_EQ(song.lines[0]->text, "New York now");
    EXPECT_EQ(Spans(*song.lines[0]), (std::vector<Span>{{0, 7, 0}, {9, 11, 0}}));
}

// The line measures (how wide a line shows) read the markup with these helpers; they must
// agree with the rebuild.
TEST(GenerateKaraokeLineList, TheMarkupHelpersAgreeWithTheRebuild)
{
    const std::string text = "&Hel*lo New_York to*night\n&&Rock && roll\n& lone\nx ^ y\nplain";
    KaraokeSong editing, final;
    editing.settings.singerCount = final.settings.singerCount = 2;
    Build(editing, text);
    Build(final, text, true);
    ASSERT_EQ(editing.LineCount(), 4u);
    for (size_t i = 0; i < editing.LineCount(); ++i)
        EXPECT_EQ(FinalLineText(editing.lines[i]->text), final.lines[i]->text) << i;
    std::vector<bool> marks, breaks;
    for (const char* line : {"&Hel*lo", "&&Rock", "& lone", "x ^ y", "plain"}) {
        marks.push_back(HasDuetMark(line));
        breaks.push_back(IsPageBreakLine(line));
    }
    EXPECT_EQ(marks, (std::vector<bool>{true, false, true, false, false}));
    EXPECT_EQ(breaks, (std::vector<bool>{false, false, false, true, false}));
    EXPECT_EQ(editing.lines[0]->secondSinger, 1);
    EXPECT_EQ(editing.lines[1]->secondSinger, 0);
    EXPECT_EQ(editing.lines[2]->secondSinger, 1);
}

TEST(GenerateKaraokeLineList, PageBreakLinesStartANewPageUnlessOneHasJustStarted)
{
    KaraokeSong song;
    Build(song, "a\n^\nb");
    ASSERT_EQ(Texts(song), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(song.lines[0]->page, 0);
    EXPECT_EQ(song.lines[1]->page, 1);
    EXPECT_EQ(song.lines[1]->slot, 0);
    EXPECT_EQ(song.lines[1]->newPageBefore, 1);

    Build(song, "^\nb");
    ASSERT_EQ(song.LineCount(), 1u);
    EXPECT_EQ(song.lines[0]->page, 0);
    EXPECT_EQ(song.lines[0]->slot, 0);
    EXPECT_EQ(song.lines[0]->newPageBefore, 1);

    // A break right after a full page adds no empty page; text around "^" is dropped.
    Build(song, "1\n2\n3\n4\nxx ^ yy\n5\n6");
    ASSERT_EQ(Texts(song), (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(song.lines[4]->page, 1);
    EXPECT_EQ(song.lines[4]->slot, 0);
    EXPECT_EQ(song.lines[5]->page, 1);
    EXPECT_EQ(song.lines[5]->slot, 1);
}

TEST(GenerateKaraokeLineList, BlankLinesTakeSlotsAndBlankTextGivesNoLines)
{
    KaraokeSong song;
    Build(song, "   ");
    EXPECT_EQ(song.LineCount(), 0u);
    Build(song, "\n\n");
    ASSERT_EQ(song.LineCount(), 3u);
    for (auto& line : song.lines) EXPECT_TRUE(line->words.empty());
    EXPECT_EQ(song.lines[2]->slot, 2);
    Build(song, "");
    EXPECT_EQ(song.LineCount(), 0u);
    EXPECT_TRUE(song.words.empty());
}

TEST(GenerateKaraokeLineList, DuetMarksInADuetGoToSingerTwo)
{
    KaraokeSong song;
    song.settings.singerCount = 2;
    Build(song, "&Hi there\n&&Hi\nplain");
    ASSERT_EQ(Texts(song), (std::vector<std::string>{"Hi there", "&&Hi", "plain"}));
    EXPECT_EQ(song.lines[0]->secondSinger, 1);
    EXPECT_EQ(song.lines[0]->colour, 9);
    EXPECT_EQ(Spans(*song.lines[0]), (std::vector<Span>{{0, 1, 0}, {3, 7, 0}}));
    EXPECT_EQ(song.lines[1]->secondSinger, 0);
    EXPECT_EQ(song.lines[1]->colour, 12);
    EXPECT_EQ(song.lines[2]->colour, 12);
}

TEST(GenerateKaraokeLineList, PlacedDuetLinesKeepTheirColour)
{
    KaraokeSong song;
    song.settings.singerCount = 2;
    Build(song, "one\ntwo");
    song.lines[1]->colour = 10; // assigned "Both" in the adjust view
    song.words[0]->start = 100;
    Build(song, "one\n&two");
    EXPECT_EQ(song.lines[1]->secondSinger, 1);
    EXPECT_EQ(song.lines[1]->colour, 10); // carried over, not reset to Singer 2
    EXPECT_EQ(song.lines[0]->colour, 12);
}

TEST(GenerateKaraokeLineList, DuetMarksInASoloSongAreDroppedAndReported)
{
    KaraokeSong song;
    song.lyricText = "&one\n&two\nthree";
    EXPECT_TRUE(song.GenerateKaraokeLineList(true, false));
    EXPECT_EQ(Texts(song), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(song.lines[0]->secondSinger, 0);
    EXPECT_EQ(song.lines[0]->colour, 12);
    song.lyricText = "&&one";
    EXPECT_FALSE(song.GenerateKaraokeLineList(true, false));
}

TEST(GenerateKaraokeLineList, TimesArePairedByLineAndElementPosition)
{
    KaraokeSong song;
    Build(song, "a b\nc d");
    uint32_t t = 1000;
    for (auto& w : song.words) {
        w->start = t;
        w->end = t + 500;
        t += 1000;
    }
    song.lines[0]->placed = 1;

    // A word added at the end of the first line takes the end of its former last word.
    Build(song, "a b x\nc d");
    ASSERT_EQ(song.lines[0]->words.size(), 3u);
    EXPECT_EQ(song.lines[0]->placed, 1);
    EXPECT_EQ(song.lines[0]->words[2]->start, 2500u);
    EXPECT_EQ(song.lines[0]->words[2]->end, 2500u);
    EXPECT_EQ(song.lines[1]->words[0]->start, 3000u);

    // Words are paired by position, not by their text; a new line keeps zeros.
    Build(song, "zz yy x\nc d\nnew");
    EXPECT_EQ(song.lines[0]->words[0]->start, 1000u);
    EXPECT_EQ(song.lines[2]->words[0]->start, 0u);
    EXPECT_EQ(song.lines[2]->placed, 0);

    // The remembered end carries into the next line's extra words.
    Build(song, "a\nc d e");
    EXPECT_EQ(song.lines[1]->words[2]->start, 4500u);

    // Without keep timing nothing is carried.
    song.lyricText = "a\nc d e";
    song.GenerateKaraokeLineList(false, false);
    EXPECT_EQ(song.words[0]->start, 0u);
}

TEST(GenerateKaraokeLineList, NewLinesTakeTheFirstPageColourOrTheOldLinesColour)
{
    KaraokeSong song;
    song.PageAt(0)->style.colour = 3;
    Build(song, "a\nb");
    EXPECT_EQ(song.lines[0]->colour, 3);
    song.lines[0]->colour = 10;
    Build(song, "a\nb\nc");
    EXPECT_EQ(song.lines[0]->colour, 10);
    EXPECT_EQ(song.lines[1]->colour, 3);
    EXPECT_EQ(song.lines[2]->colour, 3);
}

TEST(GenerateKaraokeLineList, OddTextNeverBreaksTheRebuild)
{
    KaraokeSong song;
    song.settings.singerCount = 2;
    for (const char* text : {"*", "**", "& x", "&", "a*", "*a", "_", "^^^", "a\n\n^\n\n^", "&*&_ *"}) {
        Build(song, text, true);
        for (const auto& line : song.lines)
            for (const MKaraokeWord* w : line->words) {
                EXPECT_GE(w->first, 0) << text;
                EXPECT_LE(w->last, int(line->text.size()) - 1) << text;
                EXPECT_GE(w->last, w->first - 1) << text;
            }
    }
    Build(song, "& x");
    ASSERT_EQ(song.LineCount(), 1u);
    EXPECT_EQ(song.lines[0]->text, " x");
    EXPECT_EQ(Spans(*song.lines[0]), (std::vector<Span>{{0, -1, 0}, {1, 1, 0}}));
}
