#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

#include "cdg/CdgPacketGenerator.h"
#include "cli/RenderCliRunner.h"
#include "support/PictureFiles.h"
#include "support/ScopedEnv.h"

namespace {

using Clock = std::chrono::steady_clock;

struct ClockLine {
    bool final = false;
    uint64_t frames = 0;
    std::string time;
    uint64_t packets = 0;
};

// The clock lines of a run: "clock F (m:ss.mmm) packets P" and one "final clock ..." at the end.
std::vector<ClockLine> ClockLines(const std::string& out)
{
    static const std::regex line(R"(^(final )?clock (\d+) \((\d+:\d\d\.\d\d\d)\) packets (\d+)$)");
    std::vector<ClockLine> lines;
    std::istringstream in(out);
    std::string text;
    while (std::getline(in, text)) {
        std::smatch m;
        if (!std::regex_match(text, m, line)) {
            ADD_FAILURE() << "unexpected line: " << text;
            continue;
        }
        lines.push_back({m[1].matched, std::stoull(m[2]), m[3], std::stoull(m[4])});
    }
    return lines;
}

class PlayCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RunCommand("sox -n -r 44100 -c 2 -b 16 " + tone + " synth 1.2 sine 440 vol 0.5"));
    }

    TempDir dir;
    std::string tone = dir.File("tone.wav");
};

} // namespace

TEST_F(PlayCommand, PlaysInRealTimeAndPrintsTheClockEverySecond)
{
    const auto begun = Clock::now();
    const CliResult run = RunCli({"play", tone});
    const double took = std::chrono::duration<double>(Clock::now() - begun).count();
    ASSERT_EQ(run.status, 0) << run.Output();
    // The program's real-time path: never faster than the music. A busy machine can only hold it
    // back, so the bound above it is loose.
    EXPECT_GT(took, 1.15);
    EXPECT_LT(took, 10.0);
    const auto lines = ClockLines(run.out);
    ASSERT_EQ(lines.size(), 2u) << run.out;
    EXPECT_FALSE(lines[0].final);
    // Printed once a second of wall time; a busy machine may hold the clock back a little.
    EXPECT_GT(lines[0].frames, 22050u);
    EXPECT_LT(lines[0].frames, 52920u);
    EXPECT_TRUE(lines[1].final);
    EXPECT_EQ(lines[1].frames, 52920u);
    EXPECT_EQ(lines[1].time, "0:01.200");
    EXPECT_EQ(lines[1].packets, 0u);
    EXPECT_EQ(run.err, "");
}

TEST_F(PlayCommand, PlaysAStreamAgainstTheClockAndWritesTheScreen)
{
    // Colour table, a memory preset in colour 1, then at 0.5 s a tile in colour 7.
    ColourTable table{};
    for (int i = 0; i < 16; ++i) table[size_t(i)] = MakeColourValue(uint8_t(17 * i), uint8_t(255 - 17 * i), 68);
    std::vector<uint8_t> stream(size_t(kCdgPacketsPerSecond) * 2 * kCdgPacketBytes, 0);
    CdgPacketGenerator gen(stream.data(), stream.size());
    size_t offset = gen.LoadColorTable(table, 0);
    gen.PresetMemory(1, offset);
    gen.WriteSolidTile(10, 5, 7, 150 * kCdgPacketBytes);
    const std::string cdg = dir.File("song.cdg");
    WriteFileBytes(cdg, stream);

    // To 0.4 s the tile has not come; from 0.45 s to the end it has.
    const std::string before = dir.File("before.png"), after = dir.File("after.png");
    const CliResult early = RunCli({"play", tone, "--cdg", cdg, "--to", "0.4", "--snapshot", before});
    ASSERT_EQ(early.status, 0) << early.Output();
    const auto earlyLines = ClockLines(early.out);
    ASSERT_FALSE(earlyLines.empty());
    EXPECT_EQ(earlyLines.back().frames, 17640u);
    EXPECT_EQ(earlyLines.back().packets, 16u + 2u); // the table, the presets; not the tile
    const CliResult late = RunCli({"play", tone, "--cdg", cdg, "--from", "0.45", "--snapshot", after, "--scale", "2"});
    ASSERT_EQ(late.status, 0) << late.Output();
    EXPECT_EQ(ClockLines(late.out).back().frames, 52920u);

    const RgbImage a = LoadPng(before), b = LoadPng(after);
    ASSERT_EQ(a.width, 300);
    ASSERT_EQ(b.width, 600);
    const int x = 10 * 6 + 2, y = 5 * 12 + 2;
    EXPECT_EQ(a.ColourAt(x, y), table[1]);
    EXPECT_EQ(b.ColourAt(2 * x, 2 * y), table[7]);
    EXPECT_EQ(b.ColourAt(2 * (x + 20), 2 * y), table[1]);
}

TEST_F(PlayCommand, TempoAndLeadInLengthenThePlayAndTheClockKeepsSongTime)
{
    const auto begun = Clock::now();
    const CliResult run = RunCli({"play", tone, "--tempo", "-50", "--lead-in", "0.1", "--from", "0.9"});
    const double took = std::chrono::duration<double>(Clock::now() - begun).count();
    ASSERT_EQ(run.status, 0) << run.Output();
    // From 0.9 s of a 1.3 s timeline: resumed at most a segment early (0.727 s), then double time
    // (at full speed it would take at most 0.574 s). Only a lower bound holds on a busy machine.
    EXPECT_GT(took, 2 * (1.3 - 0.9));
    EXPECT_EQ(ClockLines(run.out).back().frames, 57330u);
}

TEST_F(PlayCommand, RefusesBadArgumentsWithAReason)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"play"}, "no music file given"},
        {{"play", tone, "--tempo", "10"}, "--tempo takes a change from -50 to 0, or a speed from 50 to 100"},
        {{"play", tone, "--tempo", "-51"}, "--tempo takes"},
        {{"play", tone, "--tempo", "slow"}, "--tempo takes"},
        {{"play", tone, "--from", "1", "--to", "0.5"}, "--to must come after --from"},
        {{"play", tone, "--from", "-1"}, "--from takes seconds"},
        {{"play", tone, "--snapshot", "x.png"}, "--snapshot needs a CD+G stream"},
        {{"play", tone, "--loud"}, "unknown option \"--loud\""},
        {{"play", tone, tone}, "more than one music file"},
        {{"play", tone, "--cdg"}, "--cdg needs a value"},
    };
    for (const auto& [args, why] : cases) {
        const CliResult run = RunCli(args);
        EXPECT_EQ(run.status, 2) << args.back();
        EXPECT_NE(run.err.find(why), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    // Files that are not there or not music: status 1 and what is wrong.
    const CliResult missing = RunCli({"play", dir.File("none.wav")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("none.wav"), std::string::npos) << missing.err;
    const std::string text = dir.File("text.wav");
    WriteFileBytes(text, {'h', 'e', 'l', 'l', 'o'});
    const CliResult notWav = RunCli({"play", text});
    EXPECT_EQ(notWav.status, 1);
    EXPECT_NE(notWav.err.find("corrupt or not a WAV file"), std::string::npos) << notWav.err;
    const CliResult noStream = RunCli({"play", tone, "--cdg", dir.File("none.cdg")});
    EXPECT_EQ(noStream.status, 1);
    EXPECT_EQ(noStream.err, "tessavox-cli play: " + dir.File("none.cdg") + ": No such file or directory\n");
}

TEST_F(PlayCommand, WithoutASoundCardItSaysSoAndHowToPlayAnyway)
{
    ScopedEnv output("TESSAVOX_AUDIO", std::nullopt);
    ScopedEnv device("TESSAVOX_AUDIO_DEVICE", "No Such Card 4711");
    const CliResult run = RunCli({"play", tone});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "tessavox-cli play: An audio sound card is not installed in this computer.\n"
              "You will not be able to hear the audio when you play Karaoke CDG or Audio CD files.\n"
              "tessavox-cli play: No sound output device is named \"No Such Card 4711\".\n"
              "tessavox-cli play: with TESSAVOX_AUDIO=null it plays without a sound card\n");
}

TEST_F(PlayCommand, PlaysThroughPortAudioWhenThereIsADevice)
{
    // ALSA's null PCM stands in for a sound card; it takes the music as fast as it is given.
    TempDir home;
    {
        std::ofstream rc(home.File(".asoundrc"));
        rc << "pcm.!default { type null }\n";
    }
    ScopedEnv output("TESSAVOX_AUDIO", std::nullopt);
    ScopedEnv device("TESSAVOX_AUDIO_DEVICE", std::nullopt);
    ScopedEnv homeEnv("HOME", home.Path().string());
    const CliResult run = RunCli({"play", tone});
    if (run.status == 1 && run.err.find("sound card is not installed") != std::string::npos)
        GTEST_SKIP() << "no PortAudio device on this machine: " << run.err;
    ASSERT_EQ(run.status, 0) << run.Output();
    EXPECT_EQ(ClockLines(run.out).back().frames, 52920u);
}

TEST_F(PlayCommand, PlaysAProjectAndShowsTheLineBeingSung)
{
    TempDir dir;
    ScopedEnv tmp("TMPDIR", dir.Path().string()); // the lengthened work copy of the music goes here
    const std::string project = dir.File("twinkle.tvx");
    const CliResult made = RunProgram(TESSAVOX_MAKE_DEMO_SONG_PATH,
                                      {std::string(TESSAVOX_SOURCE_DIR) + "/data/demo/twinkle.txt", project,
                                       dir.File("twinkle.wav")});
    ASSERT_EQ(made.status, 0) << made.Output();
    // From 10 s (inside the second line, 9.6 - 14.4 s) for one second at 80 % speed.
    const auto begun = std::chrono::steady_clock::now();
    const CliResult run = RunCli({"play", project, "--from", "10", "--seconds", "1", "--tempo", "80"});
    ASSERT_EQ(run.status, 0) << run.Output();
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count(), 15.0);
    EXPECT_NE(run.out.find("00:10."), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  How I wonder what you are!\n"), std::string::npos) << run.out;
    const CliResult bad = RunCli({"play", project, "--tempo", "120"});
    EXPECT_EQ(bad.status, 2);
}
