#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cdg/CdgFormat.h"
#include "cli/ReferenceScreens.h"
#include "cli/RenderCliRunner.h"

namespace {

const std::string kFixture = std::string(TESSAVOX_SOURCE_DIR) + "/../shared/fixtures/BrotherJohn.cdg";

// ffmpeg's picture after packets 0 ... packet. ffmpeg makes one picture per graphics packet, and
// "-update 1" rewrites the output for every picture selected: selecting only the last few
// graphics packets up to the one wanted (instead of all of them) saves writing gigabytes.
std::optional<RgbImage> FfmpegAfter(const std::vector<uint8_t>& stream, size_t packet, const std::string& out)
{
    constexpr int kRecentPictures = 8;
    size_t from = packet;
    for (int seen = 0; from > 0 && seen < kRecentPictures; --from) {
        if (IsCdgGraphicsCommand(stream[from * kCdgPacketBytes])) ++seen;
    }
    const std::string select = "select='between(pts\\," + std::to_string(from) + "\\," + std::to_string(packet) + ")'";
    std::error_code ec;
    std::filesystem::remove(out, ec); // a run that selects nothing must not leave an old picture
    const CliResult run = RunProgram("ffmpeg", {"-v", "error", "-f", "cdg", "-i", kFixture, "-vf", select, "-update", "1",
                                             "-pix_fmt", "rgb24", "-y", out});
    if (run.status != 0) {
        ADD_FAILURE() << "ffmpeg failed: " << run.Output();
        return std::nullopt;
    }
    return ReadPpm(out);
}

} // namespace

TEST(RenderFixture, RealStreamMatchesFfmpegAtTenMoments)
{
    if (!std::filesystem::exists(kFixture)) {
        GTEST_SKIP() << "the shared fixture folder is not beside the source tree (" << kFixture << " is missing)";
    }
    ASSERT_EQ(RunProgram("ffmpeg", {"-version"}).status, 0)
        << "ffmpeg is needed as the reference decoder (scripts/install-deps.sh installs it)";
    const std::vector<uint8_t> stream = ReadFileBytes(kFixture);
    ASSERT_EQ(stream.size(), 583200u);
    TempDir dir;
    std::map<size_t, uint32_t> ffmpegBorderAt;

    for (int second = 5; second <= 77; second += 8) {
        SCOPED_TRACE("at " + std::to_string(second) + " s");
        // At clock SECONDS x 44,100 the player has executed packets 0 ... SECONDS x 300 - 1.
        const size_t last = size_t(second) * kCdgPacketsPerSecond - 1;
        const StreamScan scan = ScanBefore(stream, last + 1);
        ASSERT_FALSE(scan.scrolled) << "moments must be free of fine scroll offsets";

        const std::string ours = dir.File("ours-" + std::to_string(second) + ".png");
        const CliResult run = RunCli({"render", kFixture, "--at", std::to_string(second), "-o", ours});
        ASSERT_EQ(run.status, 0) << run.Output();
        const RgbImage mine = LoadPng(ours);
        ASSERT_EQ(mine.width, 300);
        ASSERT_EQ(mine.height, 216);
        const auto theirs = FfmpegAfter(stream, last, dir.File("ffmpeg.ppm"));
        ASSERT_TRUE(theirs.has_value());
        ASSERT_EQ(theirs->width, 300);
        ASSERT_EQ(theirs->height, 216);

        const uint32_t border = ExpectSameDrawingArea(mine, *theirs);
        // ffmpeg keeps its border in the frame's outer ring, which its Memory Preset also fills;
        // we paint the border colour round the screen instead. So its ring shows the border
        // colour right after the last Border Preset, and still at this moment when no Memory
        // Preset came since. No colour load may come in between for that to hold.
        ASSERT_TRUE(scan.lastBorderPreset.has_value());
        const size_t preset = *scan.lastBorderPreset;
        ASSERT_TRUE(!scan.lastColourLoad || *scan.lastColourLoad < preset);
        if (!ffmpegBorderAt.count(preset)) {
            const auto atPreset = FfmpegAfter(stream, preset, dir.File("border.ppm"));
            ASSERT_TRUE(atPreset.has_value());
            ffmpegBorderAt[preset] = atPreset->ColourAt(0, 0);
        }
        EXPECT_EQ(border, ffmpegBorderAt[preset]);
        if (!scan.lastMemoryPreset || *scan.lastMemoryPreset < preset) {
            EXPECT_EQ(border, theirs->ColourAt(0, 0));
        }
    }
}
