#include <gtest/gtest.h>

#include <filesystem>

#include "lyrics/LrcWriter.h"
#include "project/KaraokeSong.h"
#include "support/TempDir.h"

namespace {

// "Hello world" with words at 1 s and 2 s, ending at 80,000 and 120,000 samples.
void HelloWorld(KaraokeSong& song)
{
    song.lyricText = "Hello world";
    song.GenerateKaraokeLineList(true, true);
    song.words[0]->start = 44100;
    song.words[0]->end = 80000;
    song.words[1]->start = 88200;
    song.words[1]->end = 120000;
}

} // namespace

TEST(LrcWriter, SimpleAndEnhancedLinesCarryTheirWordTimes)
{
    KaraokeSong song;
    HelloWorld(song);
    EXPECT_EQ(BuildLrc(song, 0, 0, false), "\r\n[00:01.00]Hello world\r\n");
    EXPECT_EQ(BuildLrc(song, 0, 0, true), "\r\n[00:01.00]<00:01.00>Hello <00:02.00>world<00:02.72>\r\n");
    // A lead-in of two seconds moves every time by exactly two seconds.
    EXPECT_EQ(BuildLrc(song, 0, 88200, true), "\r\n[00:03.00]<00:03.00>Hello <00:04.00>world<00:04.72>\r\n");
    // Every time goes to the nearest hundredth, lead-in included (9,996 samples is 22.67 hundredths).
    EXPECT_EQ(BuildLrc(song, 0, 9996, true), "\r\n[00:01.23]<00:01.23>Hello <00:02.23>world<00:02.95>\r\n");
    song.words[0]->start = 44320; // 100.498 hundredths
    EXPECT_EQ(BuildLrc(song, 0, 0, false), "\r\n[00:01.00]Hello world\r\n");
    song.words[0]->start = 44321; // 100.502
    EXPECT_EQ(BuildLrc(song, 0, 0, false), "\r\n[00:01.01]Hello world\r\n");
    song.words[0]->start = 2646000 * 61 + 441 * 7;
    EXPECT_EQ(BuildLrc(song, 0, 0, false).substr(2, 11), "[61:00.07]H");
}

TEST(LrcWriter, SyllablesJoinWithoutSpacesAndEmptyLinesStayEmpty)
{
    KaraokeSong song;
    song.lyricText = "Hel*lo you\n\nend";
    song.GenerateKaraokeLineList(true, true);
    uint32_t t = 44100;
    for (auto& w : song.words) {
        w->start = t;
        w->end = t + 22050;
        t += 44100;
    }
    EXPECT_EQ(BuildLrc(song, 0, 0, true),
              "\r\n[00:01.00]<00:01.00>Hel<00:02.00>lo <00:03.00>you<00:03.50>\r\n\r\n"
              "[00:04.00]<00:04.00>end<00:04.50>\r\n");
    EXPECT_EQ(BuildLrc(song, 0, 0, false), "\r\n[00:01.00]Hello you\r\n\r\n[00:04.00]end\r\n");
}

TEST(LrcWriter, HeaderCarriesArtistTitleAndRoundedLength)
{
    KaraokeSong song;
    song.artist = "Traditional";
    song.title = "Star";
    EXPECT_EQ(BuildLrc(song, 59600, 0, false), "[ar:Traditional]\r\n[ti:Star]\r\n[length:1:00]\r\n\r\n");
    song.artist.clear();
    EXPECT_EQ(BuildLrc(song, 0, 0, false), "[ti:Star]\r\n\r\n");
    EXPECT_EQ(BuildLrc(song, 754400, 0, false), "[ti:Star]\r\n[length:12:34]\r\n\r\n");
}

TEST(LrcWriter, TitleAndCreditsLinesLastOneSecondEach)
{
    KaraokeSong song;
    HelloWorld(song);
    IMAGE_STRUCT* title = song.FindPage(kPageTitle);
    IMAGE_STRUCT* credits = song.FindPage(kPageCredits);
    title->text = "Twinkle  Star\r\nby Nobody\r\n";
    credits->text = "Thanks a lot";
    EXPECT_EQ(BuildLrc(song, 0, 0, false), "\r\n[00:01.00]Hello world\r\n"); // both pages disabled
    title->enabled = 1;
    credits->enabled = 1;
    EXPECT_EQ(BuildLrc(song, 0, 0, false),
              "\r\n[00:00.00]Twinkle Star\r\n[00:01.00]by Nobody\r\n[00:01.00]Hello world\r\n"
              "[00:04.72]Thanks a lot\r\n");
    EXPECT_EQ(BuildLrc(song, 0, 0, true),
              "\r\n[00:00.00]<00:00.00>Twinkle <00:00.50>Star<00:01.00>\r\n"
              "[00:01.00]<00:01.00>by <00:01.50>Nobody<00:02.00>\r\n"
              "[00:01.00]<00:01.00>Hello <00:02.00>world<00:02.72>\r\n"
              "[00:04.72]<00:04.72>Thanks <00:05.05>a <00:05.38>lot<00:05.72>\r\n");
}

TEST(LrcWriter, FilesAreWrittenWholeOrNotAtAll)
{
    TempDir dir;
    KaraokeSong song;
    HelloWorld(song);
    const std::string path = LrcPathFor(dir.File("song.mp3"));
    EXPECT_EQ(path, dir.File("song.lrc"));
    EXPECT_EQ(LrcPathFor("/a.b/song"), "/a.b/song.lrc");
    ASSERT_TRUE(WriteLrcFile(song, path, 0, 0, false));
    const auto bytes = ReadFileBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "\r\n[00:01.00]Hello world\r\n");
    EXPECT_FALSE(WriteLrcFile(song, dir.File("no/such/dir/song.lrc"), 0, 0, false));
}
