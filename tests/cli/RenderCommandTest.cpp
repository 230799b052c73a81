#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <vector>

#include "cdg/CdgPacketGenerator.h"
#include "cli/RenderCliRunner.h"

namespace {

constexpr size_t P = kCdgPacketBytes;
constexpr size_t kStreamPackets = 1800; // six seconds
constexpr size_t kPictureAt = 300;      // the picture starts at one second ...
constexpr size_t kTileAt = 1500;        // ... and a lone tile follows at five

// A song-like stream made by the generator: colour table, memory and border presets, a
// picture of stripes and blocks in every colour, and one more tile later.
struct GeneratedSong {
    ColourTable table{};
    std::vector<uint8_t> picture = std::vector<uint8_t>(size_t(kCdgContentWidth) * kCdgContentHeight);
    std::vector<uint8_t> stream = std::vector<uint8_t>(kStreamPackets * P, 0);

    GeneratedSong()
    {
        for (int i = 0; i < 16; ++i) {
            // Multiples of 17 survive the 4-bit packet form unchanged.
            table[size_t(i)] = MakeColourValue(uint8_t(17 * i), uint8_t(17 * ((i * 7) % 16)), uint8_t(255 - 17 * i));
        }
        for (int y = 0; y < kCdgContentHeight; ++y) {
            for (int x = 0; x < kCdgContentWidth; ++x) {
                picture[size_t(y) * kCdgContentWidth + size_t(x)] = uint8_t(((x / 6) + (y / 12)) % 2 ? (x / 18) % 16 : 15 - (y / 12));
            }
        }
        CdgPacketGenerator gen(stream.data(), stream.size());
        size_t offset = gen.LoadColorTable(table, 0);
        offset += gen.PresetMemory(1, offset);
        gen.PresetBorder(2, offset);
        const IndexImageView view{picture.data(), kCdgContentWidth, kCdgContentHeight, size_t(kCdgContentWidth)};
        offset = kPictureAt * P;
        for (int r = 0; r < 16; ++r) {
            for (int c = 0; c < 48; ++c) offset += gen.WriteImageTile(view, c, r, c + 1, r + 1, offset);
        }
        EXPECT_LT(offset, kTileAt * P) << "the picture must be done before the lone tile";
        gen.WriteSolidTile(10, 5, 7, kTileAt * P); // over picture colour 3
    }
    uint32_t PictureColour(int x, int y) const { return table[picture[size_t(y) * kCdgContentWidth + size_t(x)]]; }
};

class RenderCommand : public ::testing::Test {
protected:
    void SetUp() override { WriteFileBytes(cdg, song.stream); }

    RgbImage Render(const std::vector<std::string>& mode)
    {
        std::vector<std::string> args = {"render", cdg};
        args.insert(args.end(), mode.begin(), mode.end());
        args.insert(args.end(), {"-o", png, "--force"});
        const CliResult run = RunCli(args);
        EXPECT_EQ(run.status, 0) << run.Output();
        return LoadPng(png);
    }
    bool LoneTileShows(const RgbImage& image) { return image.ColourAt(63, 66) == song.table[7]; }

    GeneratedSong song;
    TempDir dir;
    std::string cdg = dir.File("song.cdg");
    std::string png = dir.File("frame.png");
};

} // namespace

TEST_F(RenderCommand, ShowsWhatTheGeneratorDrew)
{
    const RgbImage image = Render({"--at", "4.5"});
    ASSERT_EQ(image.width, 300);
    ASSERT_EQ(image.height, 216);
    for (int y = 0; y < 216; ++y) {
        for (int x = 0; x < 300; ++x) {
            const bool inner = x >= 6 && x < 294 && y >= 12 && y < 204;
            const uint32_t want = inner ? song.PictureColour(x - 6, y - 12) : song.table[2];
            ASSERT_EQ(image.ColourAt(x, y), want) << x << "," << y;
        }
    }

    // Before the picture: the memory colour inside the border colour.
    const RgbImage early = Render({"--at", "1"});
    EXPECT_EQ(early.ColourAt(6, 12), song.table[1]);
    EXPECT_EQ(early.ColourAt(293, 203), song.table[1]);
    EXPECT_EQ(early.ColourAt(0, 0), song.table[2]);
}

TEST_F(RenderCommand, ClockAndPacketChooseTheScreen)
{
    // At clock SECONDS x 44,100 the packets before floor(SECONDS x 300) have been executed.
    EXPECT_FALSE(LoneTileShows(Render({"--at", "5"})));
    EXPECT_FALSE(LoneTileShows(Render({"--at", "5.0033"})));
    EXPECT_TRUE(LoneTileShows(Render({"--at", "5.004"})));
    // --packet N shows the screen after packet N.
    EXPECT_FALSE(LoneTileShows(Render({"--packet", "1499"})));
    EXPECT_TRUE(LoneTileShows(Render({"--packet", "1500"})));
    EXPECT_TRUE(LoneTileShows(Render({"--at", "6"}))); // the very end of the stream
}

TEST_F(RenderCommand, ScaleRepeatsEveryPixel)
{
    const RgbImage one = Render({"--at", "6"});
    const RgbImage two = Render({"--at", "6", "--scale", "2"});
    ASSERT_EQ(two.width, 600);
    ASSERT_EQ(two.height, 432);
    for (int y = 0; y < 432; ++y) {
        for (int x = 0; x < 600; ++x) ASSERT_EQ(two.ColourAt(x, y), one.ColourAt(x / 2, y / 2)) << x << "," << y;
    }
}

TEST_F(RenderCommand, EveryWritesANumberedSeriesOverTheWholeStream)
{
    const std::string folder = dir.File("frames");
    const CliResult run = RunCli({"render", cdg, "--every", "1", "-o", folder});
    ASSERT_EQ(run.status, 0) << run.Output();
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names, (std::vector<std::string>{"frame-000000.png", "frame-000001.png", "frame-000002.png",
                                                "frame-000003.png", "frame-000004.png", "frame-000005.png",
                                                "frame-000006.png"}));
    EXPECT_EQ(LoadPng(folder + "/frame-000000.png").pixels, RgbImage(300, 216).pixels); // nothing yet
    for (int k : {1, 4, 6}) {
        EXPECT_EQ(LoadPng(folder + "/frame-00000" + std::to_string(k) + ".png").pixels,
                  Render({"--at", std::to_string(k)}).pixels)
            << k;
    }
}

TEST_F(RenderCommand, AnyBytesAreAStream)
{
    std::mt19937 rng(77);
    std::vector<uint8_t> noise(1000003);
    for (auto& b : noise) b = uint8_t(rng());
    WriteFileBytes(cdg, noise);
    EXPECT_EQ(Render({"--at", "138.886"}).width, 300);
    EXPECT_EQ(Render({"--packet", "41665"}).width, 300); // the last whole packet

    WriteFileBytes(cdg, {});
    const RgbImage black = Render({"--at", "0"});
    EXPECT_EQ(black.pixels, RgbImage(300, 216).pixels);
}

TEST_F(RenderCommand, BadInputGetsAClearMessage)
{
    const std::string missing = dir.File("missing.cdg");
    CliResult run = RunCli({"render", missing, "--at", "1", "-o", png});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tessavox-cli render: " + missing + ": No such file or directory\n");
    run = RunCli({"render", dir.Path().string(), "--at", "1", "-o", png});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tessavox-cli render: " + dir.Path().string() + ": Is a directory\n");
    // Past the end is an error, as a packet past the end is.
    run = RunCli({"render", cdg, "--at", "6.01", "-o", png});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tessavox-cli render: " + cdg + ": 6.010 s is beyond the end of the stream (it lasts 6.000 s)\n");

    run = RunCli({"render", cdg, "--packet", "1800", "-o", png});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.Output().find("packet 1800 is beyond the end of the stream (it has 1800 packets)"), std::string::npos)
        << run.Output();
    run = RunCli({"render", cdg, "--at", "1", "-o", dir.File("no/such/folder/x.png")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tessavox-cli render: " + dir.File("no/such/folder/x.png") + ": No such file or directory\n");
    EXPECT_FALSE(std::filesystem::exists(png));

    const std::vector<std::vector<std::string>> usage = {
        {"render"},
        {"render", cdg, "-o", png},
        {"render", cdg, "--at", "1"},
        {"render", cdg, "--at", "1", "--packet", "3", "-o", png},
        {"render", cdg, "--at", "-1", "-o", png},
        {"render", cdg, "--at", "1e3", "-o", png},
        {"render", cdg, "--at", "1.2.3", "-o", png},
        {"render", cdg, "--at", "0.1234567", "-o", png},
        {"render", cdg, "--at", ".", "-o", png},
        {"render", cdg, "--packet", "x", "-o", png},
        {"render", cdg, "--every", "0.001", "-o", dir.File("f")},
        {"render", cdg, "--at", "1", "--scale", "0", "-o", png},
        {"render", cdg, "--at", "1", "--scale", "17", "-o", png},
        {"render", cdg, "--at", "1", "--frobnicate", "-o", png},
        {"render", cdg, cdg, "--at", "1", "-o", png},
        {"render", cdg, "--at"},
        {"render", dir.File("song.tvx"), "--at", "1", "-o", png},
    };
    for (const auto& args : usage) {
        run = RunCli(args);
        EXPECT_EQ(run.status, 2) << args.back();
        EXPECT_EQ(run.Output().rfind("tessavox-cli render: ", 0), 0u) << run.Output();
        EXPECT_NE(run.Output().find("Usage: tessavox-cli render"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(png));
}
