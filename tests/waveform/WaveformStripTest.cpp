#include <gtest/gtest.h>

#include "project/KaraokeSong.h"
#include "waveform/WaveformPeaks.h"
#include "waveform/WaveformStrip.h"

namespace {

constexpr uint32_t kRate = 44100;

int Count(const RgbImage& image, int x, int top, int bottom, uint32_t colour)
{
    int n = 0;
    for (int y = top; y < bottom; ++y) n += image.ColourAt(x, y) == colour;
    return n;
}

} // namespace

TEST(WaveformStrip, MarksEachPageAtItsFirstPlacedWordAndTheCursorWhereAsked)
{
    // Five lines, four a page: the second page begins with line 4, whose first word is not
    // placed, so its mark is at its second word.
    KaraokeSong song;
    song.lyricText = "a b\nc d\ne f\ng h\ni j\n";
    song.GenerateKaraokeLineList(true, true);
    song.CalcLineAndPageNumbers();
    ASSERT_EQ(song.words.size(), 10u);
    ASSERT_NE(song.lines[3]->page, song.lines[4]->page);
    for (size_t w = 0; w < 8; ++w) {
        song.words[w]->start = uint32_t(kRate + w * kRate * 3 / 4); // 1 s to 6.25 s
        song.words[w]->end = song.words[w]->start + kRate / 2;
    }
    song.words[9]->start = kRate * 17 / 2; // 8.5 s
    song.words[9]->end = 9 * kRate;

    WaveformPeaks silence;
    WaveformStrip strip;
    strip.SetSize(100, 120);
    const int wave = strip.WaveHeight();
    strip.Draw(silence, song, 0, 10000000, 3000000); // 10 columns a second
    const RgbImage& image = strip.Image();
    EXPECT_EQ(Count(image, 10, 0, wave, WaveformStrip::kPageStart), wave);
    EXPECT_EQ(Count(image, 85, 0, wave, WaveformStrip::kPageStart), wave);
    EXPECT_EQ(Count(image, 30, 0, 120, WaveformStrip::kCursor), 120);
    int marks = 0, cursors = 0;
    for (int x = 0; x < 100; ++x) {
        marks += Count(image, x, 0, 1, WaveformStrip::kPageStart);
        cursors += Count(image, x, 0, 1, WaveformStrip::kCursor);
    }
    EXPECT_EQ(marks, 2);
    EXPECT_EQ(cursors, 1);
    // Only the placed words have spans: nothing where the unplaced one would be (9 words
    // placed, 9 left edges).
    int edges = 0;
    for (int x = 0; x < 100; ++x) edges += Count(image, x, wave, wave + 1, WaveformStrip::kWordEdge);
    EXPECT_EQ(edges, 9);

    // A selected word's span stands out; its neighbours keep the ordinary colours.
    const int band = wave + 1; // above the text
    EXPECT_NE(image.ColourAt(42, band), WaveformStrip::kWordSelectedSpan);
    song.words[4]->flags |= kWordSelected; // 4 s to 4.5 s: columns 40 to 44
    strip.Draw(silence, song, 0, 10000000);
    EXPECT_EQ(image.ColourAt(42, band), WaveformStrip::kWordSelectedSpan);
    EXPECT_NE(image.ColourAt(34, band), WaveformStrip::kWordSelectedSpan);
    EXPECT_NE(image.ColourAt(49, band), WaveformStrip::kWordSelectedSpan);

    // The same strip later in the song: no word, no mark, no cursor; the centre line alone.
    strip.Draw(silence, song, 20000000, 30000000);
    for (int x = 0; x < 100; ++x) {
        EXPECT_EQ(Count(image, x, 0, 120, WaveformStrip::kBackground), 119) << "column " << x;
        EXPECT_EQ(image.ColourAt(x, wave / 2), WaveformStrip::kCentreLine);
    }

    // Too low for a word band: the marks still show, the words are left out.
    strip.SetSize(50, 20);
    EXPECT_EQ(strip.BandHeight(), 0);
    strip.Draw(silence, song, 0, 10000000);
    EXPECT_EQ(Count(strip.Image(), 5, 0, 20, WaveformStrip::kPageStart), 20);
    EXPECT_EQ(Count(strip.Image(), 6, 0, 20, WaveformStrip::kWordEdge), 0);
}
