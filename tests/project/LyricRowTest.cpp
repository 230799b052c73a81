#include <gtest/gtest.h>

#include "project/LyricRow.h"

TEST(LyricRow, GraphicShareMovesTheLyricsToTheLowestRows)
{
    EXPECT_EQ(LyricRowFor(0, 4, 2).rows, 4);
    EXPECT_EQ(LyricRowFor(0, 4, 2).row, 2);
    EXPECT_EQ(LyricRowFor(50, 3, 0).rows, 6);
    EXPECT_EQ(LyricRowFor(50, 3, 2).row, 5);
    EXPECT_EQ(LyricRowFor(75, 2, 1).rows, 8);
    EXPECT_EQ(LyricRowFor(75, 2, 1).row, 7);
    // A share the settings dialog never sets counts as none.
    EXPECT_EQ(LyricRowFor(30, 4, 3).rows, 4);
    EXPECT_EQ(LyricRowFor(30, 4, 3).row, 3);
}
