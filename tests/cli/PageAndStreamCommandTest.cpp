#include <gtest/gtest.h>

#include <set>

#include "cli/RenderCliRunner.h"
#include "player/CdgScreen.h"
#include "player/PagePreview.h"
#include "project/KaraokeSong.h"

namespace {

const std::string kDemo = std::string(TESSAVOX_SOURCE_DIR) + "/data/demo/twinkle.tvx";

std::set<uint32_t> Colours(const RgbImage& image, int top, int bottom)
{
    std::set<uint32_t> out;
    for (int y = top; y < bottom; ++y)
        for (int x = 6; x < image.width - 6; ++x) {
            const size_t at = (size_t(y) * size_t(image.width) + size_t(x)) * 3;
            out.insert((uint32_t(image.pixels[at]) << 16) | (uint32_t(image.pixels[at + 1]) << 8) | image.pixels[at + 2]);
        }
    return out;
}

} // namespace

TEST(PageCommand, DrawsTheDemoTitleAndLyricPagesInTheirColours)
{
    TempDir dir;
    const std::string title = dir.File("title.png");
    CliResult run = RunCli({"page", kDemo, "--kind", "title", "-o", title, "--scale", "2"});
    ASSERT_EQ(run.status, 0) << run.Output();
    const RgbImage t = LoadPng(title);
    ASSERT_EQ(t.width, 600);
    ASSERT_EQ(t.height, 432);
    // Background (0, 17, 102), white text, black outline, yellow subtitle: in 4-bit steps.
    const std::set<uint32_t> titleColours = Colours(t, 24, 408);
    EXPECT_TRUE(titleColours.count(0x001166));
    EXPECT_TRUE(titleColours.count(0xFFFFFF));
    EXPECT_TRUE(titleColours.count(0x000000));
    EXPECT_TRUE(titleColours.count(0xFFEE00));

    const std::string lyrics = dir.File("lyrics.png");
    run = RunCli({"page", kDemo, "--kind", "lyrics", "--page", "1", "-o", lyrics});
    ASSERT_EQ(run.status, 0) << run.Output();
    const RgbImage l = LoadPng(lyrics);
    // Page 1 holds two lines: rows 0 and 1 of four show text, rows 2 and 3 only background.
    // Previews show the page's own colours; (128, 255, 255) is the lyrics text colour.
    EXPECT_TRUE(Colours(l, 12, 60).count(0x80FFFF));
    EXPECT_TRUE(Colours(l, 60, 108).count(0x80FFFF));
    EXPECT_EQ(Colours(l, 108, 204), (std::set<uint32_t>{0x001166}));

    run = RunCli({"page", kDemo, "--kind", "cover", "-o", lyrics});
    EXPECT_EQ(run.status, 2);
    run = RunCli({"page", dir.File("missing.tvx"), "--kind", "title", "-o", lyrics});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tessavox-cli page: " + dir.File("missing.tvx") + ": No such file or directory\n");
}

TEST(StreamCommand, WritesTheDemoSongsStreamThatRendersItsLyrics)
{
    TempDir dir;
    const std::string cdg = dir.File("demo.cdg");
    CliResult run = RunCli({"stream", kDemo, "-o", cdg});
    ASSERT_EQ(run.status, 0) << run.Output();
    EXPECT_NE(run.out.find("lead-in"), std::string::npos);
    const auto bytes = ReadFileBytes(cdg);
    ASSERT_GT(bytes.size(), 60u * 7200);
    EXPECT_EQ(bytes.size() % 24, 0u);
    // The same song gives the same stream, its title page's Block Dissolve included.
    run = RunCli({"stream", kDemo, "-o", dir.File("again.cdg")});
    ASSERT_EQ(run.status, 0) << run.Output();
    EXPECT_TRUE(ReadFileBytes(dir.File("again.cdg")) == bytes);

    // Early on the title page shows; later the lyrics with a part of a line swept in yellow.
    const std::string early = dir.File("early.png"), later = dir.File("later.png");
    ASSERT_EQ(RunCli({"render", cdg, "--at", "5", "-o", early}).status, 0);
    EXPECT_TRUE(Colours(LoadPng(early), 12, 204).count(0xFFEE00)); // the subtitle
    ASSERT_EQ(RunCli({"render", cdg, "--at", "16", "-o", later}).status, 0);
    const std::set<uint32_t> lyric = Colours(LoadPng(later), 12, 204);
    // The stream carries four bits a channel: 128 becomes 7 x 17 = 0x77.
    EXPECT_TRUE(lyric.count(0x77FFFF));
    EXPECT_TRUE(lyric.count(0xFFEE00));
}

TEST(PagePreview, DrawsStraightIntoTheRendererWithoutPackets)
{
    KaraokeSong song;
    song.lyricText = "Hello there\nsecond";
    song.GenerateKaraokeLineList(true, true);
    CdgScreen renderer;
    DrawLyricPagePreview(renderer, song, 0);
    std::set<int> shown;
    for (int y = 12; y < 204; ++y)
        for (int x = 6; x < 294; ++x) shown.insert(renderer.Pixel(x, y));
    EXPECT_EQ(shown, (std::set<int>{12, 15}));
    EXPECT_EQ(renderer.Colour(12), MakeColourValue(0x80, 0xFF, 0xFF));
}
