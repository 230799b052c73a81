// Moving single word times by the adjust amount, the loop around a word, the word at a time.
#include <gtest/gtest.h>

#include "project/KaraokeSong.h"
#include "timing/WordTiming.h"

namespace {

constexpr uint32_t kSecond = 44100;
constexpr uint32_t kAmount = 8820; // 200 ms

// Words one second apart from 1 s on, each half a second long (touching: a whole second).
void Place(KaraokeSong& song, const std::string& lyrics, bool touching)
{
    song.lyricText = lyrics;
    song.GenerateKaraokeLineList(true, false);
    uint32_t t = kSecond;
    for (auto& w : song.words) {
        w->start = t;
        w->end = t + (touching ? kSecond : kSecond / 2);
        t += kSecond;
    }
}

} // namespace

TEST(WordTiming, TheAmountIsTakenInSinglePrecision)
{
    EXPECT_EQ(WordTiming::AmountSamples(200), kAmount);
    EXPECT_EQ(WordTiming::AmountSamples(350), 15434u); // 0.35f is a little below 0.35
    EXPECT_EQ(WordTiming::AmountSamples(0), 0u);
    EXPECT_EQ(WordTiming::AmountSamples(-5), 0u);
}

TEST(WordTiming, MovesKeepEveryWordInOrderAndTouchingWordsTogether)
{
    KaraokeSong song;
    Place(song, "one two three", true);
    WordTiming timing(song);
    auto& w = song.words;

    EXPECT_TRUE(timing.StartEarlier(1));
    EXPECT_EQ(w[1]->start, 2 * kSecond - kAmount);
    EXPECT_EQ(w[0]->end, 2 * kSecond - kAmount); // the overlapping end is trimmed
    EXPECT_TRUE(timing.StartLater(1));
    EXPECT_EQ(w[1]->start, 2 * kSecond);
    EXPECT_EQ(w[0]->end, 2 * kSecond); // still touching
    // No word becomes shorter than one packet, whichever edge moves.
    const uint32_t packet = WordTiming::kMinWordSamples;
    EXPECT_EQ(packet, 147u);
    for (int i = 0; i < 10; ++i) timing.StartLater(1);
    EXPECT_EQ(w[1]->start, w[1]->end - packet); // never past its own end
    for (int i = 0; i < 20; ++i) timing.EndEarlier(1);
    EXPECT_EQ(w[1]->end, w[1]->start + packet);
    for (int i = 0; i < 20; ++i) timing.StartEarlier(1);
    EXPECT_EQ(w[1]->start, w[0]->start + packet); // never before the word before
    EXPECT_EQ(w[0]->end, w[1]->start);

    // End later stops at the next word's end and pushes its start; the last word goes on.
    for (int i = 0; i < 20; ++i) timing.EndLater(1);
    EXPECT_EQ(w[1]->end, w[2]->end - packet);
    EXPECT_EQ(w[2]->start, w[2]->end - packet);
    // A word shorter than a packet already (placed by two quick taps) is not shortened more.
    w[2]->end = w[2]->start + 40;
    timing.StartLater(2);
    timing.EndEarlier(2);
    EXPECT_EQ(w[2]->end - w[2]->start, 40u);
    w[2]->end = w[2]->start + packet;
    const uint32_t end = w[2]->end;
    timing.EndLater(2);
    EXPECT_EQ(w[2]->end, end + kAmount);

    // No such word: nothing moves.
    EXPECT_FALSE(timing.EndLater(3));
}

TEST(WordTiming, AStartLaterOfAWordWithAGapBeforeItLeavesThePreviousEndAlone)
{
    KaraokeSong song;
    Place(song, "one two", false);
    WordTiming timing(song);
    timing.StartLater(1);
    EXPECT_EQ(song.words[1]->start, 2 * kSecond + kAmount);
    EXPECT_EQ(song.words[0]->end, kSecond + kSecond / 2);
}

TEST(WordTiming, TheLoopCountsWholeWordsOrSeconds)
{
    KaraokeSong song;
    // Words: a b*c d e f*g h i j
    Place(song, "a b*c d e f*g h i j", false);
    WordTiming timing(song);
    const auto& w = song.words;
    // Three whole words before "f": e, d, b*c -> from the start of "b"; after: h, i, j.
    EXPECT_EQ(timing.LoopStretch(5), std::make_pair(w[1]->start, w[9]->end));
    EXPECT_EQ(timing.LoopStretch(1).first, w[0]->start); // never before the first word
    EXPECT_EQ(timing.LoopStretch(10), std::make_pair(0u, 0u));

    song.settings.loopBeforeUnit = 1;
    song.settings.loopAfterUnit = 1;
    song.settings.loopBefore = 1500; // seconds in thousandths
    song.settings.loopAfter = 500;
    EXPECT_EQ(timing.LoopStretch(5), std::make_pair(w[5]->start - 66150, w[5]->end + 22050));
    EXPECT_EQ(timing.LoopStretch(0).first, 0u); // not before the music
}

TEST(WordTiming, TheWordAtATimeIsTheFirstWhoseSpanHoldsIt)
{
    KaraokeSong song;
    Place(song, "one two three", false);
    WordTiming timing(song);
    EXPECT_EQ(timing.WordAt(0), -1);
    EXPECT_EQ(timing.WordAt(kSecond), 0);
    EXPECT_EQ(timing.WordAt(2 * kSecond + kSecond / 2), 1);
    EXPECT_EQ(timing.WordAt(2 * kSecond + kSecond / 2 + 1), -1); // the gap after "two"
}

TEST(WordTiming, ADragSnapsTo10msAndMovesUnderTheBoundsOfTheFourMoves)
{
    EXPECT_EQ(WordTiming::SnapToStep(0), 0);
    EXPECT_EQ(WordTiming::SnapToStep(220), 0);
    EXPECT_EQ(WordTiming::SnapToStep(221), 441);
    EXPECT_EQ(WordTiming::SnapToStep(-5000), 0);
    EXPECT_EQ(WordTiming::SnapToStep(kSecond / 2 + 100), kSecond / 2);

    KaraokeSong song;
    Place(song, "one two three", true); // 1-2 s, 2-3 s, 3-4 s
    WordTiming timing(song);
    auto& w = song.words;

    // Half a second later, the touching previous word follows; a little off the grid snaps.
    EXPECT_TRUE(timing.DragStartTo(1, 2 * kSecond + kSecond / 2 + 150));
    EXPECT_EQ(w[1]->start, 2 * kSecond + kSecond / 2);
    EXPECT_EQ(w[0]->end, 2 * kSecond + kSecond / 2);
    // Not past its own end less a packet, as Start Later does.
    timing.DragStartTo(1, 10 * kSecond);
    EXPECT_EQ(w[1]->start, 3 * kSecond - 147);
    // Earlier, not before the previous word's start and a packet; the previous word ends by then.
    timing.DragStartTo(1, 0);
    EXPECT_EQ(w[1]->start, kSecond + 147);
    EXPECT_EQ(w[0]->end, kSecond + 147);
    EXPECT_EQ(w[0]->start, kSecond);

    // The end: later stops at the next word's end and pushes its start; earlier stops at the start.
    timing.DragEndTo(1, 3 * kSecond + 4410);
    EXPECT_EQ(w[1]->end, 3 * kSecond + 4410);
    EXPECT_EQ(w[2]->start, 3 * kSecond + 4410);
    timing.DragEndTo(1, 9 * kSecond);
    EXPECT_EQ(w[1]->end, 4 * kSecond - 147);
    EXPECT_EQ(w[2]->start, 4 * kSecond - 147);
    timing.DragEndTo(1, kSecond / 2);
    EXPECT_EQ(w[1]->end, w[1]->start + 147);
    EXPECT_EQ(w[2]->start, 4 * kSecond - 147); // a pushed neighbour is not pulled back
    // The last word's end goes on without a neighbour.
    EXPECT_TRUE(timing.DragEndTo(2, 6 * kSecond + 1000));
    EXPECT_EQ(w[2]->end, 6 * kSecond + 882);

    // To where it is, or no such word: nothing moves.
    EXPECT_FALSE(timing.DragEndTo(2, 6 * kSecond + 882 + 100));
    EXPECT_FALSE(timing.DragStartTo(3, kSecond));
}

TEST(WordTiming, ADragOfAStartAfterAGapLeavesThePreviousEndAlone)
{
    KaraokeSong song;
    Place(song, "one two", false); // 1-1.5 s, 2-2.5 s
    WordTiming timing(song);
    EXPECT_TRUE(timing.DragStartTo(1, 2 * kSecond + 4410 * 3));
    EXPECT_EQ(song.words[1]->start, 2 * kSecond + 13230);
    EXPECT_EQ(song.words[0]->end, kSecond + kSecond / 2);
    // Earlier than the previous end: that end is trimmed to the new start.
    EXPECT_TRUE(timing.DragStartTo(1, kSecond + kSecond / 4));
    EXPECT_EQ(song.words[1]->start, kSecond + kSecond / 4); // 1.25 s lies on the grid
    EXPECT_EQ(song.words[0]->end, song.words[1]->start);
}
