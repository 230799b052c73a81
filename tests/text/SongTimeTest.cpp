#include <gtest/gtest.h>

#include <cstdint>

#include "text/SongTime.h"

TEST(SongTime, FormatsMinutesSecondsAndCutHundredths)
{
    EXPECT_EQ(FormatSongTime(0), "00:00.00");
    EXPECT_EQ(FormatSongTime(440), "00:00.00"); // just short of a hundredth: cut, not rounded
    EXPECT_EQ(FormatSongTime(441), "00:00.01");
    EXPECT_EQ(FormatSongTime(44100 * 59 + 441 * 99), "00:59.99");
    EXPECT_EQ(FormatSongTime(44100 * 60), "01:00.00");
    EXPECT_EQ(FormatSongTime(44100 * 61 + 441 * 5), "01:01.05");
    EXPECT_EQ(FormatSongTime(44100u * 60 * 100), "100:00.00");
    EXPECT_EQ(FormatSongTime(UINT32_MAX), "1623:11.54");
}
