#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cdg/CdgFormat.h"
#include "cli/RenderCliRunner.h"

namespace {

const std::string kFixture = std::string(TESSAVOX_SOURCE_DIR) + "/../shared/fixtures/BrotherJohn.cdg";

// A binary PPM (P6, maxval 255) as ffmpeg writes it.
std::optional<RgbImage> ReadPpm(const std::string& path)
{
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    std::istringstream header(std::string(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 64)));
    header >> magic >> w >> h >> maxval;
    if (magic != "P6" || w <= 0 || h <= 0 || maxval != 255) return std::nullopt;
    const size_t start = size_t(header.tellg()) + 1;
    RgbImage image(w, h);
    if (bytes.size() < start + image.pixels.size()) return std::nullopt;
    std::copy_n(bytes.begin() + std::ptrdiff_t(start), image.pixels.size(), image.pixels.begin());
    return image;
}

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

struct Scan {
    std::optional<size_t> lastBorderPreset, lastMemoryPreset, lastColourLoad;
    bool scrolled = false;
};

// What the stream did before a packet index: the border and colour history the comparison
// depends on, and whether any scroll could have set fine offsets.
Scan ScanBefore(const std::vector<uint8_t>& stream, size_t end)
{
    Scan s;
    for (size_t n = 0; n < end && (n + 1) * kCdgPacketBytes <= stream.size(); ++n) {
        const uint8_t* p = stream.data() + n * kCdgPacketBytes;
        if (!IsCdgGraphicsCommand(p[0])) continue;
        switch (p[1] & kCdgInstructionMask) {
        case kCdgBorderPreset: s.lastBorderPreset = n; break;
        case kCdgMemoryPreset: s.lastMemoryPreset = n; break;
        case kCdgLoadColoursLow:
        case kCdgLoadColoursHigh: s.lastColourLoad = n; break;
        case kCdgScrollPreset:
        case kCdgScrollCopy: s.scrolled = true; break;
        default: break;
        }
    }
    return s;
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
        const Scan scan = ScanBefore(stream, last + 1);
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

        int differing = 0;
        std::string first;
        for (int y = 12; y < 204; ++y) {
            for (int x = 6; x < 294; ++x) {
                if (mine.ColourAt(x, y) == theirs->ColourAt(x, y)) continue;
                if (differing++ == 0) first = std::to_string(x) + "," + std::to_string(y);
            }
        }
        EXPECT_EQ(differing, 0) << "inner pixels differ, first at " << first;

        // Our border ring is one colour, the border colour.
        const uint32_t border = mine.ColourAt(0, 0);
        for (int y = 0; y < 216; ++y) {
            for (int x = 0; x < 300; ++x) {
                if (x >= 6 && x < 294 && y >= 12 && y < 204) continue;
                ASSERT_EQ(mine.ColourAt(x, y), border) << x << "," << y;
            }
        }
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
