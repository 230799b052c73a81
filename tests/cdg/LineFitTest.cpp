// Lines too wide for the screen: found with the measure the drawing uses, broken between word
// elements so that every piece fits, and then drawn whole.
#include <gtest/gtest.h>

#include <numeric>

#include "cdg/LineFit.h"
#include "cdg/StreamTestSupport.h"
#include "cdg/WriteRwMemory.h"
#include "project/KaraokeSong.h"

namespace {

constexpr uint32_t kSecond = 44100;
// 40 characters: at the default 24-pixel bold face far wider than the 288 pixels of the screen.
const std::string kLong = "Night light river fire forever and ever!";
const std::string kTooLongWord = "Supercalifragilisticexpialidociously";

// Places every word of the song, one second each, and writes the stream.
std::vector<uint8_t> Stream(KaraokeSong& song)
{
    song.settings.advanceSweep = 0;
    song.GenerateKaraokeLineList(true, true);
    uint32_t t = 10 * kSecond;
    for (auto& line : song.lines) {
        line->placed = 1;
        for (MKaraokeWord* w : line->words) {
            w->start = t;
            w->end = t + kSecond - 1;
            t += kSecond;
        }
    }
    const SongStream stream = WriteRwMemory(song, SongStream::Music{{}, 120 * kSecond * 4, 4});
    return {stream.Used().begin(), stream.Used().end()};
}

// Text-coloured pixels in each of the four rows of the first page, before any sweep.
std::vector<int> InkPerRow(KaraokeSong& song)
{
    const std::vector<uint8_t> stream = Stream(song);
    CdgStreamSnapshot player(stream);
    player.ExecuteUntil(size_t(10 * kSecond / kCdgSampleFramesPerPacket) - 10);
    std::vector<int> ink(4, 0);
    for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x)
            ink[size_t(y / 48)] += player.Renderer().Pixel(x + kCdgVisibleLeft, y + kCdgVisibleTop) == 12;
    return ink;
}

// What a word alone shows: it fits wherever it stands, and glyphs do not change with their place.
int InkOfWord(const std::string& word)
{
    KaraokeSong song;
    song.lyricText = word;
    return InkPerRow(song)[0];
}

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    size_t p = 0;
    while (p < line.size()) {
        const size_t space = std::min(line.find(' ', p), line.size());
        words.push_back(line.substr(p, space - p));
        p = space + 1;
    }
    return words;
}

} // namespace

TEST(LineFit, ALongLineIsReportedAndBrokenSoThatTheScreenShowsEveryLetter)
{
    ASSERT_EQ(kLong.size(), 40u);
    KaraokeSong song;
    song.lyricText = "Short line\r\n^\r\n" + kLong;
    const std::vector<LineFit> wide = LinesTooWide(song);
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(wide[0].source, LineSource::Lyrics);
    EXPECT_EQ(wide[0].number, 2);   // the second karaoke line
    EXPECT_EQ(wide[0].textLine, 3); // the third line of the text
    EXPECT_EQ(wide[0].text, kLong);
    EXPECT_EQ(wide[0].room, 288);
    EXPECT_GT(wide[0].width, 288);
    EXPECT_EQ(MeasureLyricLine(song, kLong).width, wide[0].width);

    // Drawn as it is, the screen cuts the line off.
    int whole = 0;
    for (const std::string& w : Words(kLong)) whole += InkOfWord(w);
    KaraokeSong cut;
    cut.lyricText = kLong;
    EXPECT_LT(InkPerRow(cut)[0], whole * 9 / 10);

    KaraokeSong fitted;
    fitted.lyricText = kLong;
    EXPECT_EQ(FitLongLines(fitted, false), 1);
    EXPECT_TRUE(LinesTooWide(fitted).empty());
    ASSERT_GE(fitted.LineCount(), 2u);
    ASSERT_LE(fitted.LineCount(), 4u);
    // Each line shows exactly the letters of its words, and no more than one word would
    // have fitted on any line but the last.
    const std::vector<int> ink = InkPerRow(fitted);
    std::string rejoined;
    for (size_t i = 0; i < fitted.LineCount(); ++i) {
        const std::string& text = fitted.lines[i]->text;
        int expected = 0;
        for (const std::string& w : Words(text)) expected += InkOfWord(w);
        EXPECT_EQ(ink[i], expected) << text;
        if (i + 1 < fitted.LineCount()) {
            EXPECT_FALSE(MeasureLyricLine(fitted, text + " " + Words(fitted.lines[i + 1]->text)[0]).Fits()) << text;
        }
        rejoined += (i ? " " : "") + text;
    }
    EXPECT_EQ(rejoined, kLong);
}

TEST(LineFit, BreaksKeepTheMarkupAndAWordTooWideStaysWhole)
{
    KaraokeSong song;
    song.settings.singerCount = 2;
    // A second singer's line with syllables, an inner space and a doubled "&".
    const std::string line = "&Rock && roll to*night with New_York lights shin*ing so bright";
    const std::vector<std::string> pieces = BreakLyricLine(song, line);
    ASSERT_GE(pieces.size(), 2u);
    for (const std::string& piece : pieces) {
        EXPECT_EQ(piece[0], '&') << piece;
        EXPECT_NE(piece.substr(0, 2), "&&") << piece;
        EXPECT_TRUE(MeasureLyricLine(song, piece.substr(1)).Fits()) << piece;
    }
    // The words of the pieces are the words of the line, with the same marks between them.
    auto elements = [](KaraokeSong& s) {
        s.GenerateKaraokeLineList(false, false);
        std::vector<std::string> out;
        for (const auto& l : s.lines) {
            EXPECT_EQ(l->secondSinger, 1);
            for (const MKaraokeWord* w : l->words)
                out.push_back(l->text.substr(size_t(w->first), size_t(w->last - w->first + 1)) + "/" +
                              std::to_string(w->flags));
        }
        return out;
    };
    KaraokeSong before, after;
    before.settings.singerCount = after.settings.singerCount = 2;
    before.lyricText = line;
    for (const std::string& piece : pieces) after.lyricText += piece + "\n";
    after.lyricText.pop_back();
    EXPECT_EQ(elements(after), elements(before));

    // Chinese has no spaces: it breaks between characters, never before a closing full stop.
    std::string chinese;
    for (int i = 0; i < 5; ++i) chinese += "\u6708\u4eae\u4ee3\u8868\u6211\u7684\u5fc3\u3002";
    const std::vector<std::string> hanzi = BreakLyricLine(song, chinese);
    ASSERT_GE(hanzi.size(), 2u);
    std::string joined;
    for (const std::string& piece : hanzi) {
        EXPECT_TRUE(MeasureLyricLine(song, piece).Fits()) << piece;
        EXPECT_NE(piece.rfind("\u3002", 0), 0u) << piece;
        joined += piece;
    }
    EXPECT_EQ(joined, chinese);

    // A word wider than the screen gets a line of its own and is still reported.
    KaraokeSong wordy;
    wordy.lyricText = "A " + kTooLongWord + " b c\r\nfits";
    wordy.lyricText = FitLyricText(wordy);
    EXPECT_EQ(wordy.lyricText, "A\r\n" + kTooLongWord + "\r\nb c\r\nfits");
    const std::vector<LineFit> wide = LinesTooWide(wordy);
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(wide[0].text, kTooLongWord);
    // Nothing to break: the text stays as it is.
    EXPECT_EQ(FitLyricText(wordy), wordy.lyricText);
}

TEST(LineFit, FittingATimedSongKeepsEveryWordsTimeAndEveryLinesFlags)
{
    KaraokeSong song;
    song.settings.singerCount = 2;
    song.lyricText = "one two\r\n&" + kLong + "\r\nthree";
    song.GenerateKaraokeLineList(true, false);
    uint32_t t = kSecond;
    std::vector<std::pair<uint32_t, uint32_t>> times;
    for (auto& w : song.words) {
        w->start = t;
        w->end = t + 1000;
        times.emplace_back(w->start, w->end);
        t += 2000;
    }
    song.lines[0]->placed = 1;
    song.lines[1]->placed = 1;
    song.lines[1]->colour = 10;
    song.lines[2]->colour = 9;

    EXPECT_EQ(FitLongLines(song, false), 1);
    ASSERT_GE(song.LineCount(), 4u);
    ASSERT_EQ(song.words.size(), times.size());
    for (size_t k = 0; k < times.size(); ++k) {
        EXPECT_EQ(song.words[k]->start, times[k].first) << k;
        EXPECT_EQ(song.words[k]->end, times[k].second) << k;
    }
    const size_t last = song.LineCount() - 1;
    for (size_t i = 1; i < last; ++i) {
        EXPECT_EQ(song.lines[i]->placed, 1) << i;
        EXPECT_EQ(song.lines[i]->colour, 10) << i;
        EXPECT_EQ(song.lines[i]->secondSinger, 1) << i;
    }
    EXPECT_EQ(song.lines[last]->placed, 0);
    EXPECT_EQ(song.lines[last]->colour, 9);
    // The times survive the rebuild every view makes from the text.
    song.GenerateKaraokeLineList(true, false);
    EXPECT_EQ(song.words[2]->start, times[2].first);
    EXPECT_EQ(song.words.back()->end, times.back().second);
}

TEST(LineFit, EnabledTitleAndCreditsPageLinesAreMeasuredAtTheirOwnStyles)
{
    KaraokeSong song;
    IMAGE_STRUCT& title = *song.FindPage(kPageTitle);
    title.text = "Title\n" + kLong;
    IMAGE_STRUCT& credits = *song.FindPage(kPageCredits);
    credits.text = "Short\nA credits line that is long enough";
    credits.enabled = 1;
    // Line 2 of the credits in a small face fits; in the base face it would not.
    credits.lineStyles.lines.push_back({12, 12, 0, "Arial", kAlignCentre});
    ASSERT_FALSE(MeasureLyricLine(song, "A credits line that is long enough").Fits());

    EXPECT_TRUE(LinesTooWide(song).empty()); // the title page is off
    title.enabled = 1;
    const std::vector<LineFit> wide = LinesTooWide(song);
    ASSERT_EQ(wide.size(), 1u);
    EXPECT_EQ(wide[0].source, LineSource::TitlePage);
    EXPECT_EQ(wide[0].number, 2);
    const std::vector<LineFit> credit = MeasurePageText(credits);
    ASSERT_EQ(credit.size(), 2u);
    EXPECT_TRUE(credit[1].Fits());
    EXPECT_GT(credit[1].width, 0);
}
