#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cdg/CdgFormat.h"
#include "cli/JsonValue.h"
#include "cli/RenderCliRunner.h"
#include "cli/ScriptSongs.h"

namespace {

// The stream of the gap song as the writer made it before singer guidance existed: with the
// guidance off not a byte of it may change.
constexpr const char* kStreamWithoutGuidanceSha256 = "e0f4f6b2320eb919ffce391f44d5068c7e47e4a95f76551a3363faeb1c78ef3e";
constexpr size_t kSecond = kCdgPacketsPerSecond;

std::string Sha256Of(const std::string& path)
{
    const CliResult sum = RunProgram("sha256sum", {path});
    EXPECT_EQ(sum.status, 0) << sum.Output();
    return sum.out.substr(0, sum.out.find(' '));
}

// The two streams of one song, rendered after any packet.
struct Streams {
    const TempDir& dir;
    std::string off, on;

    RgbImage Off(size_t packet) const { return Render(off, packet); }
    RgbImage On(size_t packet) const { return Render(on, packet); }
    RgbImage Render(const std::string& stream, size_t packet) const
    {
        const std::string png = dir.File("screen.png");
        const CliResult run = RunCli({"render", stream, "--packet", std::to_string(packet), "-o", png, "--force"});
        EXPECT_EQ(run.status, 0) << run.Output();
        return LoadPng(png);
    }
};

bool Same(const RgbImage& a, const RgbImage& b)
{
    return a.width > 0 && a.width == b.width && a.height == b.height && a.pixels == b.pixels;
}

// At 3.9, 2.9, 1.9 and 0.9 s before the first word's sweep the count-in shows one mark fewer
// each time; the packet before the sweep has none left, the one before that still one.
void ExpectCountIn(const Streams& s, size_t sweep)
{
    RgbImage before;
    for (const double ahead : {3.9, 2.9, 1.9, 0.9}) {
        SCOPED_TRACE("seconds before the sweep: " + std::to_string(ahead));
        const size_t at = sweep - size_t(ahead * kSecond);
        const RgbImage on = s.On(at);
        EXPECT_FALSE(Same(on, s.Off(at))) << "no mark on the screen";
        if (before.width > 0) {
            EXPECT_FALSE(Same(on, before)) << "no mark went in the last second";
        }
        before = on;
    }
    EXPECT_FALSE(Same(s.On(sweep - 2), s.Off(sweep - 2))) << "the last mark went early";
    EXPECT_TRUE(Same(s.On(sweep - 1), s.Off(sweep - 1))) << "a mark is left when the sweep begins";
}

} // namespace

// One song with a 6 s intro, a 1 s gap and a 12 s break, streamed with the guidance off (byte
// for byte the stream made before it existed, and nothing on the screen changes in the break's
// last seconds) and on, as `new` stores it and as `stream` turns it on for one run.
TEST(SingerGuidance, CountsInAfterIntroAndBreakShowsNoticeInBreakAndChangesNothingWhenOff)
{
    TempDir dir;
    const std::string project = MakeTimedSong(dir, "gaps", kGapSongLrc, kGapSongSeconds);
    ASSERT_FALSE(project.empty());
    Streams s{dir, StreamOf(project), dir.File("on.cdg")};
    ASSERT_FALSE(s.off.empty());
    EXPECT_EQ(Sha256Of(s.off), kStreamWithoutGuidanceSha256);
    const CliResult on = RunCli({"stream", project, "-o", s.on, "--countdown", "--instrumental"});
    ASSERT_EQ(on.status, 0) << on.Output();

    // `new` keeps the options in the project, which `info` shows and `stream` follows.
    const std::string guided = MakeTimedSong(dir, "guided", kGapSongLrc, kGapSongSeconds,
                                             {"--countdown=5", "--instrumental=12"});
    ASSERT_FALSE(guided.empty());
    EXPECT_EQ(ReadFileBytes(StreamOf(guided)), ReadFileBytes(s.on));
    const CliResult info = RunCli({"info", guided, "--json"});
    ASSERT_EQ(info.status, 0) << info.Output();
    JsonValue report;
    std::string error;
    ASSERT_TRUE(JsonValue::Parse(info.out, report, error)) << error;
    EXPECT_EQ(report["version"].AsInt(), 800);
    EXPECT_TRUE(report["guidance"]["countIn"].AsBool());
    EXPECT_TRUE(report["guidance"]["notice"].AsBool());
    EXPECT_EQ(report["guidance"]["countInGapMs"].AsInt(), 5000);
    EXPECT_EQ(report["guidance"]["noticeGapMs"].AsInt(), 12000);
    const CliResult off = RunCli({"stream", guided, "-o", dir.File("off.cdg"), "--no-countdown", "--no-instrumental"});
    ASSERT_EQ(off.status, 0) << off.Output();
    EXPECT_EQ(ReadFileBytes(dir.File("off.cdg")), ReadFileBytes(s.off));

    {
        SCOPED_TRACE("the line after the 12 s break");
        const size_t sweep = FirstSweepPacket(project, 2);
        ExpectCountIn(s, sweep);
        const RgbImage still = s.Off(sweep - size_t(3.9 * kSecond));
        for (const double ahead : {2.9, 1.9, 0.9}) EXPECT_TRUE(Same(s.Off(sweep - size_t(ahead * kSecond)), still));

        // The notice is on the free fourth row in the middle of the break, the lines above it
        // as they were; it is gone before the count-in starts.
        const size_t middle = sweep - 6 * kSecond;
        const RgbImage noticeOn = s.On(middle), noticeOff = s.Off(middle);
        for (int slot = 0; slot < 3; ++slot) EXPECT_TRUE(Same(SlotBand(noticeOn, 4, slot), SlotBand(noticeOff, 4, slot)));
        EXPECT_FALSE(Same(SlotBand(noticeOn, 4, 3), SlotBand(noticeOff, 4, 3)));
        const size_t beforeCountIn = sweep - size_t(4.2 * kSecond);
        EXPECT_TRUE(Same(s.On(beforeCountIn), s.Off(beforeCountIn)));
    }
    {
        SCOPED_TRACE("the first line after the 6 s intro");
        ExpectCountIn(s, FirstSweepPacket(project, 0));
    }
    {
        SCOPED_TRACE("the line after a 1 s gap");
        const size_t sweep = FirstSweepPacket(project, 1);
        for (const size_t ahead : {kSecond / 2, size_t(2)}) EXPECT_TRUE(Same(s.On(sweep - ahead), s.Off(sweep - ahead)));
    }
}
