#include <gtest/gtest.h>

#include <filesystem>

#include "WavBytes.h"
#include "audio/EncodeWma.h"
#include "support/MediaProbe.h"
#include "support/TempDir.h"

namespace {

// The encoder works in frames of 2,048 samples; the decoded length may differ by one.
constexpr double kWmaFrameSamples = 2048;

std::vector<int> EvenSteps()
{
    std::vector<int> v;
    for (int p = 2; p <= 100; p += 2) v.push_back(p);
    return v;
}

} // namespace

TEST(EncodeWma, WritesWmaTwoInAsfWithBitRateTagsAndSilence)
{
    TempDir dir;
    const size_t music = 44100, leadIn = 22050, tail = 11025;
    const std::string wav = dir.File("work.wav"), wma = dir.File("song.wma");
    WriteFileBytes(wav, Pcm16File(Tone(music, 2), 2));
    AudioEncodeOptions options;
    options.kbps = 160;
    options.title = "Caf\u00e9 Nights";
    options.artist = "The Testers";
    options.leadInFrames = leadIn;
    options.tailFrames = tail;
    std::vector<int> seen;
    options.progress = [&](int p) {
        seen.push_back(p);
        return true;
    };
    std::string failure;
    ASSERT_TRUE(EncodeWma(wav, wma, options, &failure)) << failure;

    EXPECT_EQ(seen, EvenSteps());
    EXPECT_EQ(ProbeEntry(wma, "format=format_name"), "asf");
    EXPECT_EQ(ProbeEntry(wma, "stream=codec_name"), "wmav2");
    EXPECT_EQ(ProbeEntry(wma, "stream=bit_rate"), "160000");
    EXPECT_EQ(ProbeEntry(wma, "stream=sample_rate"), "44100");
    EXPECT_EQ(ProbeEntry(wma, "format_tags=title"), "Caf\xC3\xA9 Nights");
    EXPECT_EQ(ProbeEntry(wma, "format_tags=artist"), "The Testers");

    const auto decoded = DecodeWithFfmpeg(wma, 2);
    EXPECT_NEAR(double(decoded.size() / 2), double(leadIn + music + tail), 2 * kWmaFrameSamples);
    const size_t margin = size_t(2 * kWmaFrameSamples);
    EXPECT_LT(Rms(decoded, 0, 2 * (leadIn - margin)), 100.0);
    EXPECT_GT(Rms(decoded, 2 * (leadIn + margin), 2 * (leadIn + music - margin)), 8000.0);
}

TEST(EncodeWma, OfferedBitRatesOnlyAndMonoEightBitMusicAtAnotherRate)
{
    EXPECT_EQ(WmaBitRateFor(96), 96);
    EXPECT_EQ(WmaBitRateFor(192), 192);
    EXPECT_EQ(WmaBitRateFor(112), 128);
    EXPECT_EQ(WmaBitRateFor(0), 128);

    TempDir dir;
    const size_t music = 22050; // one second at 22,050 Hz
    std::vector<uint8_t> data(music);
    const auto tone = Tone(music, 1);
    for (size_t i = 0; i < music; ++i) data[i] = uint8_t(tone[i] / 256 + 128);
    const std::string wav = dir.File("mono8.wav"), wma = dir.File("mono8.wma");
    WriteFileBytes(wav, RiffWave({FmtChunk(1, 8, 22050), {"data", data}}));
    AudioEncodeOptions options;
    options.kbps = 96;
    std::string failure;
    ASSERT_TRUE(EncodeWma(wav, wma, options, &failure)) << failure;
    EXPECT_EQ(ProbeEntry(wma, "stream=bit_rate"), "96000");
    EXPECT_EQ(ProbeEntry(wma, "stream=channels"), "2");
    const auto decoded = DecodeWithFfmpeg(wma, 2);
    EXPECT_NEAR(double(decoded.size() / 2), 44100.0, 2 * kWmaFrameSamples);
    EXPECT_GT(Rms(decoded, 2 * 4096, decoded.size() - 2 * 4096), 8000.0);
}

TEST(EncodeWma, FailureAndCancelLeaveNoFile)
{
    TempDir dir;
    const std::string wav = dir.File("work.wav"), wma = dir.File("song.wma");
    WriteFileBytes(wav, Pcm16File(Tone(88200, 2), 2));
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    WriteFileBytes(wma, old);

    AudioEncodeOptions options;
    options.progress = [](int p) { return p < 50; };
    std::string failure;
    EXPECT_FALSE(EncodeWma(wav, wma, options, &failure));
    EXPECT_EQ(ReadFileBytes(wma), old);

    EXPECT_FALSE(EncodeWma(dir.File("missing.wav"), wma, AudioEncodeOptions{}, &failure));
    EXPECT_NE(failure.find("missing.wav"), std::string::npos) << failure;
    WriteFileBytes(wav, RiffWave({FmtChunk(2, 16), {"data", {}}}));
    EXPECT_FALSE(EncodeWma(wav, wma, AudioEncodeOptions{}, &failure));
    EXPECT_EQ(ReadFileBytes(wma), old);
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 2u);
}
