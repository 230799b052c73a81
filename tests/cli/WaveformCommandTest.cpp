#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "audio/WavOutFile.h"
#include "project/ProjectFile.h"
#include "cli/RenderCliRunner.h"
#include "project/KaraokeSong.h"
#include "waveform/WaveformStrip.h"

namespace {

constexpr int kRate = 44100;

// 20 s of stereo silence with a 1-second 440 Hz tone at 10 s, and a project whose two words
// are placed at 6.0-7.5 s and 10.2-11.0 s.
struct ToneSong {
    TempDir dir;
    std::string wav = dir.File("music.wav");
    std::string project = dir.File("song.tvx");

    ToneSong()
    {
        std::vector<int16_t> samples(size_t(20 * kRate) * 2, 0);
        for (int f = 10 * kRate; f < 11 * kRate; ++f) {
            const auto s = int16_t(std::lround(16000 * std::sin(2 * M_PI * 440 * f / kRate)));
            samples[size_t(f) * 2] = samples[size_t(f) * 2 + 1] = s;
        }
        WavOutFile out;
        EXPECT_TRUE(out.Create(wav, kRate, 16, 2));
        EXPECT_TRUE(out.Write(samples));
        EXPECT_TRUE(out.Close());
        KaraokeSong song(project);
        song.musicPath = wav;
        song.lyricText = "Hello world";
        song.GenerateKaraokeLineList(true, true);
        song.words[0]->start = 6 * kRate;
        song.words[0]->end = 7 * kRate + kRate / 2;
        song.words[1]->start = 10 * kRate + kRate / 5;
        song.words[1]->end = 11 * kRate;
        EXPECT_TRUE(SaveProject(song));
    }
};

// Rows of column x in [top, bottom) that have the colour.
int Count(const RgbImage& image, int x, int top, int bottom, uint32_t colour)
{
    int n = 0;
    for (int y = top; y < bottom; ++y) n += image.ColourAt(x, y) == colour;
    return n;
}

} // namespace

TEST(WaveformCommand, DrawsTheToneAndTheWordsWhereTheirTimesFall)
{
    ToneSong fixture;
    const auto wavBefore = ReadFileBytes(fixture.wav), projectBefore = ReadFileBytes(fixture.project);
    const std::string png = fixture.dir.File("strip.png");
    // 5 s to 15 s over 500 columns: 50 columns a second, the tone in columns 250 to 299.
    const CliResult run =
        RunCli({"waveform", fixture.project, "--from", "5", "--to", "15", "-o", png, "--width", "500", "--height", "120"});
    ASSERT_EQ(run.status, 0) << run.Output();
    const RgbImage image = LoadPng(png);
    ASSERT_EQ(image.width, 500);
    ASSERT_EQ(image.height, 120);

    WaveformStrip layout;
    layout.SetSize(500, 120);
    const int wave = layout.WaveHeight(), centre = wave / 2;
    ASSERT_GT(layout.BandHeight(), 0);
    // The tone reaches 16,000 of 32,768: about half of the half height above and below.
    for (int x = 0; x < 500; ++x) {
        const int inked = Count(image, x, 0, wave, WaveformStrip::kWave);
        if (x >= 250 && x < 300) {
            EXPECT_GE(inked, centre * 16000 / 32768 * 2 - 2) << "column " << x;
            EXPECT_LE(inked, centre * 16000 / 32768 * 2 + 3) << "column " << x;
            EXPECT_EQ(image.ColourAt(x, 1), WaveformStrip::kBackground) << "column " << x;
        } else if (x != 249 && x != 300) {
            // The two columns beside the tone share a 256-frame block with it (5.8 ms of
            // their 20 ms), so they may show it; all others are silence.
            EXPECT_EQ(inked, 0) << "column " << x;
        }
    }

    // The words' spans in the band: "Hello" 50 to 124, "world" 260 to 299, each with its edge
    // and some of its text; nothing between and after.
    const int bandTop = wave, bottom = 120;
    const auto spanAt = [&](int x) {
        return Count(image, x, bandTop + 1, bottom - 1, WaveformStrip::kWordSpan) +
               Count(image, x, bandTop + 1, bottom - 1, WaveformStrip::kWordSpanAlternate) +
               Count(image, x, bandTop + 1, bottom - 1, WaveformStrip::kWordText);
    };
    EXPECT_EQ(Count(image, 50, bandTop, bottom, WaveformStrip::kWordEdge), bottom - bandTop);
    EXPECT_EQ(Count(image, 260, bandTop, bottom, WaveformStrip::kWordEdge), bottom - bandTop);
    for (int x : {52, 90, 124, 262, 280, 299}) EXPECT_EQ(spanAt(x), bottom - bandTop - 2) << "column " << x;
    for (int x : {10, 49, 125, 200, 259, 300, 450}) EXPECT_EQ(spanAt(x), 0) << "column " << x;
    int text = 0;
    for (int x = 50; x < 125; ++x) text += Count(image, x, bandTop, bottom, WaveformStrip::kWordText);
    EXPECT_GT(text, 20);
    text = 0;
    for (int x = 260; x < 300; ++x) text += Count(image, x, bandTop, bottom, WaveformStrip::kWordText);
    EXPECT_GT(text, 20);
    // The page begins with its first word: a line across the waveform at column 50.
    EXPECT_EQ(Count(image, 50, 0, wave, WaveformStrip::kPageStart), wave);

    EXPECT_EQ(ReadFileBytes(fixture.wav), wavBefore);
    EXPECT_EQ(ReadFileBytes(fixture.project), projectBefore);
}

TEST(WaveformCommand, RefusesBadArgumentsAndMissingMusicWithoutWriting)
{
    ToneSong fixture;
    const std::string png = fixture.dir.File("strip.png");
    EXPECT_EQ(RunCli({"waveform", fixture.project, "--from", "3", "--to", "2", "-o", png}).status, 2);
    EXPECT_EQ(RunCli({"waveform", fixture.project, "--from", "x", "--to", "2", "-o", png}).status, 2);
    EXPECT_EQ(RunCli({"waveform", fixture.project, "--from", "1", "--to", "2", "-o", png, "--width", "5"}).status, 2);
    EXPECT_EQ(RunCli({"waveform", fixture.project, "--from", "1", "--to", "2"}).status, 2);

    const std::string missing = fixture.dir.File("missing.tvx");
    CliResult run = RunCli({"waveform", missing, "--from", "1", "--to", "2", "-o", png});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tessavox-cli waveform: " + missing + ": No such file or directory\n");

    std::filesystem::remove(fixture.wav);
    run = RunCli({"waveform", fixture.project, "--from", "1", "--to", "2", "-o", png});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("tessavox-cli waveform: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(fixture.wav), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(png));
}
