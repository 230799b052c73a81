#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cdg/CdgFormat.h"
#include "cli/ReferenceScreens.h"
#include "cli/RenderCliRunner.h"
#include "cli/ScriptSongs.h"

// A Japanese and an Arabic song's streams (and one with a count-in and an instrumental notice) drawn by cdgraphics, a CD+G decoder written apart from
// ours (the npm package, which scripts/install-deps.sh puts in the build's node folder), through
// tests/cli/cdgraphics_screens.mjs: at 20 moments spread over each stream, from the first page
// through the sweeps to the last erase, every pixel of the drawing area is the colour our
// `render` shows. cdgraphics expands a colour's 4 bits as we do (times 17); it keeps the border in
// the screen's outer ring, where a Memory Preset paints over it, while we paint the border colour
// round the screen: the ring is compared only where a Border Preset came after the last Memory
// Preset.
TEST(IndependentDecoder, JapaneseAndArabicSongsMatchCdgraphicsPixelForPixel)
{
    if (RunProgram("node", {"--version"}).status != 0 || RunProgram("npm", {"--version"}).status != 0)
        GTEST_SKIP() << "node and npm are not installed: the cdgraphics decoder cannot run";
    const std::string modules = TESSAVOX_NODE_MODULES;
    ASSERT_TRUE(std::filesystem::exists(modules + "/cdgraphics/package.json"))
        << "scripts/install-deps.sh installs the npm package cdgraphics into " << modules;
    const std::string script = std::string(TESSAVOX_SOURCE_DIR) + "/tests/cli/cdgraphics_screens.mjs";

    TempDir dir;
    struct Song {
        std::string name, lrc;
    };
    const std::vector<Song> songs = {
        {"japanese", "[00:01.00]\u3055\u304f\u3089 \u3055\u304f\u3089\n[00:03.00]\u3084\u3088\u3044\u306e\u305d\u3089\u306f\n"
                     "[00:05.00]\u898b\u308f\u305f\u3059\u9650\u308a\n[00:07.00]\u304b\u3059\u307f\u304b\u96f2\u304b\n"
                     "[00:09.00]\u5302\u3044\u305e\u51fa\u305a\u308b\n[00:11.00]\u3044\u3056\u3084 \u3044\u3056\u3084\n"},
        {"arabic", "[00:01.00]\u064a\u0627 \u0644\u064a\u0644 \u064a\u0627 \u0639\u064a\u0646\n"
                   "[00:03.00]\u0633\u0644\u0627\u0645 \u0639\u0644\u064a\u0643\u0645\n"
                   "[00:05.00]\u0623\u0647\u0644\u0627 \u0648\u0633\u0647\u0644\u0627\n"
                   "[00:07.00]\u0645\u0631\u062d\u0628\u0627 \u064a\u0627 \u0635\u062f\u064a\u0642\u064a\n"
                   "[00:09.00]\u0646\u062d\u0646 \u0646\u063a\u0646\u064a \u0645\u0639\u0627\n"},
        // The count-in marks and the instrumental notice.
        {"guided", kGapSongLrc},
    };
    constexpr size_t kMoments = 20;
    for (const auto& [name, lrc] : songs) {
        SCOPED_TRACE(name);
        const bool guided = name == "guided";
        const std::string project = guided ? MakeTimedSong(dir, name, lrc, kGapSongSeconds, {"--countdown", "--instrumental"})
                                           : MakeTimedSong(dir, name, lrc, 14);
        ASSERT_FALSE(project.empty());
        const std::string stream = StreamOf(project);
        ASSERT_FALSE(stream.empty());
        const std::vector<uint8_t> bytes = ReadFileBytes(stream);
        const size_t packets = bytes.size() / kCdgPacketBytes;
        ASSERT_GT(packets, kMoments * 10);

        // After packet P: `render --packet P`, and cdgraphics at (P + 0.5) / 300 s. The guided
        // song at 10 moments: its count-ins after the intro and the break, and the notice.
        std::vector<size_t> moments;
        if (guided) {
            const size_t intro = FirstSweepPacket(project, 0), afterBreak = FirstSweepPacket(project, 2);
            const size_t second = kCdgPacketsPerSecond;
            for (const size_t sweep : {intro, afterBreak})
                for (const size_t ahead : {size_t(3.5 * second), size_t(2.5 * second), size_t(1.5 * second), second / 2})
                    moments.push_back(sweep - ahead);
            moments.push_back(afterBreak - 6 * second);
            moments.push_back(afterBreak - 1);
        } else {
            for (size_t k = 1; k <= kMoments; ++k) moments.push_back(packets * k / (kMoments + 1));
        }
        std::vector<std::string> args = {script, modules, stream, dir.File(name)};
        for (const size_t moment : moments)
            args.push_back(std::to_string((double(moment) + 0.5) / kCdgPacketsPerSecond));
        const CliResult drawn = RunProgram("node", args);
        ASSERT_EQ(drawn.status, 0) << drawn.Output();

        for (size_t k = 0; k < moments.size(); ++k) {
            SCOPED_TRACE("after packet " + std::to_string(moments[k]));
            const StreamScan scan = ScanBefore(bytes, moments[k] + 1);
            ASSERT_FALSE(scan.scrolled) << "moments must be free of fine scroll offsets";
            const std::string ours = dir.File("ours.png");
            const CliResult run = RunCli({"render", stream, "--packet", std::to_string(moments[k]), "-o", ours, "--force"});
            ASSERT_EQ(run.status, 0) << run.Output();
            const auto theirs = ReadPpm(dir.File(name + "-" + std::to_string(k) + ".ppm"));
            ASSERT_TRUE(theirs.has_value());
            const uint32_t border = ExpectSameDrawingArea(LoadPng(ours), *theirs);
            if (scan.lastBorderPreset && (!scan.lastMemoryPreset || *scan.lastMemoryPreset < *scan.lastBorderPreset)) {
                EXPECT_EQ(border, theirs->ColourAt(0, 0));
            }
        }
    }
}
