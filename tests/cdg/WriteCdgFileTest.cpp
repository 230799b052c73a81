#include <gtest/gtest.h>

#include <filesystem>

#include "cdg/WriteCdgFile.h"
#include "support/TempDir.h"

TEST(WriteCdgFile, LengthFollowsTheAudioDuration)
{
    const size_t big = size_t(2) << 20;
    EXPECT_EQ(CdgFileLength(180000, big), 1296000u); // 13,500 sectors' worth, 54,000 packets
    EXPECT_EQ(CdgFileLength(96917, big), 697800u);   // 697,802.4 bytes: 29,075 whole packets
    EXPECT_EQ(CdgFileLength(3, big), 0u);            // 21.6 bytes: not one whole packet
    EXPECT_EQ(CdgFileLength(4, big), 24u);           // 28.8: one packet
    EXPECT_EQ(CdgFileLength(0, 4800), 4800u);        // unknown duration: the whole buffer
    EXPECT_EQ(CdgFileLength(0, 5000), 4992u);        // ... in whole packets
    EXPECT_EQ(CdgFileLength(180000, 5000), 4992u);   // never more than the buffer
}

TEST(WriteCdgFile, PathTakesTheAudioNameWithItsExtensionReplaced)
{
    EXPECT_EQ(CdgPathFor("/music/My Song.mp3"), "/music/My Song.cdg");
    EXPECT_EQ(CdgPathFor("/tmp/a.b/song.final.wma"), "/tmp/a.b/song.final.cdg");
    EXPECT_EQ(CdgPathFor("/tmp/a.b/song"), "/tmp/a.b/song.cdg");
}

TEST(WriteCdgFile, WritesTheStartOfTheStreamOverAnOldFile)
{
    TempDir dir;
    const std::string path = dir.File("song.cdg");
    WriteFileBytes(path, std::vector<uint8_t>(50000, 0xEE));
    std::vector<uint8_t> stream(10000);
    for (size_t i = 0; i < stream.size(); ++i) stream[i] = uint8_t(i);
    ASSERT_TRUE(WriteCdgFile(path, stream, CdgFileLength(1000, stream.size())));
    EXPECT_EQ(ReadFileBytes(path), std::vector<uint8_t>(stream.begin(), stream.begin() + 7200));
    ASSERT_TRUE(WriteCdgFile(path, stream, 1 << 30));
    EXPECT_EQ(ReadFileBytes(path), stream);
    EXPECT_FALSE(WriteCdgFile(dir.File("missing/song.cdg"), stream, 100));
}
