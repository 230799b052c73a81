// Timing by taps on a clock the test sets: every press lands exactly where the clock stands.
#include <gtest/gtest.h>

#include "project/KaraokeSong.h"
#include "timing/PlayClock.h"
#include "timing/Placement.h"

namespace {

constexpr uint32_t kSecond = 44100;

struct Song {
    explicit Song(const std::string& lyrics, int singers = 1)
    {
        song.settings.singerCount = singers;
        song.lyricText = lyrics;
        song.GenerateKaraokeLineList(true, false);
    }
    uint32_t Start(size_t i) const { return song.words[i]->start; }
    uint32_t End(size_t i) const { return song.words[i]->end; }
    KaraokeSong song;
};

} // namespace

TEST(Placement, EachTapStartsTheNextWordAndEndsTheOpenOneCtrlLeavesAGapEndGivesOneSecond)
{
    Song s("one two three four five");
    ManualClock clock;
    Placement placement(s.song, clock);

    clock.Set(kSecond);
    ASSERT_EQ(placement.PlaceWord(s.song), s.song.words[0].get());
    clock.Set(kSecond + 12345);
    placement.PlaceWord(s.song);
    EXPECT_EQ(s.Start(0), kSecond);
    EXPECT_EQ(s.End(0), kSecond + 12345);
    EXPECT_EQ(s.Start(1), kSecond + 12345);
    EXPECT_EQ(placement.OpenWord(), s.song.words[1].get());
    EXPECT_TRUE(s.song.lines[0]->placed);

    // Ctrl: the open word ends, the next tap starts after a gap; a second Ctrl has nothing to end.
    clock.Set(2 * kSecond);
    EXPECT_TRUE(placement.Pause(s.song));
    EXPECT_FALSE(placement.Pause(s.song));
    EXPECT_EQ(s.End(1), 2 * kSecond);
    clock.Set(3 * kSecond);
    placement.PlaceWord(s.song);
    EXPECT_EQ(s.End(1), 2 * kSecond);
    EXPECT_EQ(s.Start(2), 3 * kSecond);

    // While the music does not run a tap changes nothing.
    clock.SetRunning(false);
    clock.Set(4 * kSecond);
    EXPECT_EQ(placement.PlaceWord(s.song), nullptr);
    EXPECT_FALSE(placement.Pause(s.song));
    EXPECT_EQ(placement.Cursor(), 3u);
    EXPECT_EQ(s.End(2), 0u);

    // End: the open word lasts one second; words not reached keep what they had.
    placement.Finish(s.song);
    EXPECT_EQ(s.End(2), 4 * kSecond);
    EXPECT_EQ(placement.OpenWord(), nullptr);
    EXPECT_EQ(s.Start(3), 0u);
}

TEST(Placement, RestartKeepsTheTimesOfWordsItDoesNotReachAndTapsPastTheLastWordPlaceNothing)
{
    Song s("a b c");
    ManualClock clock;
    Placement placement(s.song, clock);
    for (uint32_t t : {100u, 200u, 300u}) {
        clock.Set(t);
        placement.PlaceWord(s.song);
    }
    EXPECT_TRUE(placement.AtEnd());
    clock.Set(400);
    EXPECT_EQ(placement.PlaceWordAt(s.song, 400), nullptr);
    placement.Finish(s.song);
    EXPECT_EQ(s.End(2), 300 + Placement::kOpenWordLength);

    placement.Restart();
    EXPECT_EQ(placement.Cursor(), 0u);
    clock.Set(1000);
    placement.PlaceWord(s.song);
    placement.Finish(s.song);
    EXPECT_EQ(s.Start(0), 1000u);
    EXPECT_EQ(s.End(0), 1000 + Placement::kOpenWordLength);
    EXPECT_EQ(s.Start(1), 200u);
    EXPECT_EQ(s.End(1), 300u);
    EXPECT_EQ(s.Start(2), 300u);
}

TEST(Placement, ADuetLineOfTheSecondSingerIsSteppedOverAndSharesTheSpanOfTheLineBefore)
{
    const std::string lyrics = "a b\n&c d e\nf g";
    Song duet(lyrics, 2);
    ASSERT_TRUE(duet.song.lines[1]->secondSinger);
    ManualClock clock;
    Placement placement(duet.song, clock);
    // a, b, then f and g: the line of c d e is stepped over when b is placed.
    for (uint32_t t : {1000u, 2000u, 3000u, 4000u}) {
        clock.Set(t);
        placement.PlaceWord(duet.song);
        if (t == 2000u) {
            EXPECT_EQ(placement.Cursor(), 5u);
        }
    }
    EXPECT_TRUE(duet.song.lines[1]->placed);
    EXPECT_EQ(duet.Start(2), 0u);
    placement.Finish(duet.song);
    // The line before spans 1000 (a's start) to 3000 (b's end, f's start): 2000 shared by three.
    EXPECT_EQ(duet.song.lines[1]->drawTime, 1000);
    const uint32_t expected[3][2] = {{1000, 1666}, {1666, 2333}, {2333, 3000}};
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(duet.Start(2 + k), expected[k][0]) << k;
        EXPECT_EQ(duet.End(2 + k), expected[k][1]) << k;
    }

    // Solo: the "&" line is an ordinary line, placed word by word.
    Song solo(lyrics, 1);
    Placement soloPlacement(solo.song, clock);
    for (uint32_t t : {1000u, 2000u, 3000u}) {
        clock.Set(t);
        soloPlacement.PlaceWord(solo.song);
    }
    EXPECT_EQ(soloPlacement.Cursor(), 3u);
    EXPECT_EQ(solo.Start(2), 3000u);
}
