#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "audio/WavOutFile.h"
#include "media/WaveStreamReader.h"
#include "support/TempDir.h"
#include "waveform/WaveformPeaks.h"

namespace {

std::string WriteWav(const TempDir& dir, const std::string& name, const std::vector<int16_t>& samples, int channels,
                     int bits = 16)
{
    const std::string path = dir.File(name);
    WavOutFile wav;
    EXPECT_TRUE(wav.Create(path, 44100, uint16_t(bits), uint16_t(channels)));
    EXPECT_TRUE(wav.Write(samples));
    EXPECT_TRUE(wav.Close());
    return path;
}

bool Same(PeakPair a, PeakPair b)
{
    return a.low == b.low && a.high == b.high;
}

} // namespace

TEST(WaveformPeaks, ToneAndSilenceGiveTheirPeaksInTheirBlocks)
{
    // Stereo: 1,000 frames of silence, a 1,000-frame square tone of +-3,000 (period 50), then
    // silence to 5,000 frames; one loud sample on each channel inside the tone.
    std::vector<int16_t> samples(5000 * 2, 0);
    for (int f = 1000; f < 2000; ++f)
        for (int c = 0; c < 2; ++c) samples[size_t(f) * 2 + size_t(c)] = int16_t((f / 25) % 2 ? 3000 : -3000);
    samples[1500 * 2] = 12345;      // left, block 5 (frames 1,280 to 1,535)
    samples[1700 * 2 + 1] = -23456; // right, block 6 (1,536 to 1,791)
    TempDir dir;
    WaveformPeaks peaks;
    std::string why;
    ASSERT_TRUE(peaks.Build(WriteWav(dir, "tone.wav", samples, 2), kFileLength, why)) << why;
    EXPECT_EQ(peaks.Frames(), 5000u);
    EXPECT_EQ(peaks.SampleRate(), 44100u);
    const auto base = peaks.Level(0);
    ASSERT_EQ(base.size(), 20u); // 5,000 / 256, the last block partial
    for (size_t b : {0u, 1u, 2u, 8u, 19u}) EXPECT_TRUE(Same(base[b], {0, 0})) << "block " << b;
    EXPECT_TRUE(Same(base[3], {-3000, 0})); // 768 to 1,023: silence, then the tone's low half from 1,000
    EXPECT_TRUE(Same(base[5], {-3000, 12345}));
    EXPECT_TRUE(Same(base[6], {-23456, 3000}));
    EXPECT_TRUE(Same(base[7], {-3000, 3000}));
    // Coarser levels: 5 pairs, 2, 1.
    ASSERT_EQ(peaks.LevelCount(), 4u);
    EXPECT_TRUE(Same(peaks.Level(1)[1], {-23456, 12345}));
    EXPECT_TRUE(Same(peaks.Level(1)[4], {0, 0}));
    EXPECT_TRUE(Same(peaks.Level(3)[0], {-23456, 12345}));

    EXPECT_TRUE(Same(peaks.Range(0, 768), {0, 0}));
    EXPECT_TRUE(Same(peaks.Range(0, 1001), {-3000, 0}));
    EXPECT_TRUE(Same(peaks.Range(1500, 1501), {-3000, 12345}));
    EXPECT_TRUE(Same(peaks.Range(0, 5000), {-23456, 12345}));
    EXPECT_TRUE(Same(peaks.Range(2048, 99999), {0, 0}));
    EXPECT_TRUE(Same(peaks.Range(6000, 7000), {0, 0})); // past the music
    EXPECT_TRUE(Same(peaks.Range(10, 10), {0, 0}));
}

TEST(WaveformPeaks, RangesFromTheLevelsMatchTheFinestPeaks)
{
    // Random mono music of an awkward length; any range read through the coarse levels gives
    // what the level-0 pairs it touches give.
    std::mt19937 random(25);
    std::uniform_int_distribution<int> value(-32768, 32767);
    std::vector<int16_t> samples(777777);
    for (int16_t& s : samples) s = int16_t(value(random) / ((value(random) & 7) + 1));
    TempDir dir;
    WaveformPeaks peaks;
    std::string why;
    ASSERT_TRUE(peaks.Build(WriteWav(dir, "noise.wav", samples, 1), kFileLength, why)) << why;
    const auto base = peaks.Level(0);
    std::uniform_int_distribution<uint64_t> frame(0, samples.size() + 500);
    for (int i = 0; i < 2000; ++i) {
        uint64_t a = frame(random), b = frame(random);
        if (a > b) std::swap(a, b);
        if (i % 3 == 0) b = std::min<uint64_t>(a + frame(random) % 3000, samples.size() + 500);
        PeakPair want{0, 0};
        if (b > a && a < samples.size()) {
            want = {INT16_MAX, INT16_MIN};
            const uint64_t end = std::min<uint64_t>(b, samples.size());
            for (uint64_t k = a / 256; k < (end + 255) / 256; ++k) {
                want.low = std::min(want.low, base[k].low);
                want.high = std::max(want.high, base[k].high);
            }
        }
        const PeakPair got = peaks.Range(a, b);
        ASSERT_TRUE(Same(got, want)) << "[" << a << ", " << b << "): " << got.low << " " << got.high;
    }
    // The finest pairs themselves against the samples.
    for (size_t k = 0; k < base.size(); ++k) {
        const auto first = samples.begin() + ptrdiff_t(k * 256);
        const auto last = samples.begin() + ptrdiff_t(std::min(samples.size(), (k + 1) * 256));
        const auto [lo, hi] = std::minmax_element(first, last);
        ASSERT_TRUE(Same(base[k], {*lo, *hi})) << "block " << k;
    }
}

TEST(WaveformPeaks, FollowsTheSongsLengthAndReadsEightBitMusic)
{
    TempDir dir;
    // 8-bit mono: stored as s / 256 + 128, read back as (byte - 128) x 256.
    std::vector<int16_t> samples(1000, 0);
    samples[10] = 32767;  // byte 255
    samples[600] = -32768; // byte 0
    const std::string wav = WriteWav(dir, "eight.wav", samples, 1, 8);
    const auto before = ReadFileBytes(wav);
    WaveformPeaks peaks;
    std::string why;
    ASSERT_TRUE(peaks.Build(wav, kFileLength, why)) << why;
    EXPECT_TRUE(Same(peaks.Level(0)[0], {0, 32512}));
    EXPECT_TRUE(Same(peaks.Level(0)[2], {-32768, 0}));

    // The song's music longer than the file: silence after it; shorter: cut.
    ASSERT_TRUE(peaks.Build(wav, 44100, why)) << why;
    EXPECT_EQ(peaks.Frames(), 44100u);
    EXPECT_TRUE(Same(peaks.Range(0, 44100), {-32768, 32512}));
    EXPECT_TRUE(Same(peaks.Range(1024, 44100), {0, 0}));
    ASSERT_TRUE(peaks.Build(wav, 300, why)) << why;
    EXPECT_EQ(peaks.Frames(), 300u);
    EXPECT_TRUE(Same(peaks.Range(0, 1000), {0, 32512}));
    EXPECT_EQ(ReadFileBytes(wav), before);

    // Not a WAV: refused with a reason, nothing kept.
    WriteFileBytes(dir.File("bad.wav"), std::vector<uint8_t>(100, 'x'));
    EXPECT_FALSE(peaks.Build(dir.File("bad.wav"), kFileLength, why));
    EXPECT_FALSE(why.empty());
    EXPECT_TRUE(peaks.Empty());
    EXPECT_TRUE(Same(peaks.Range(0, 100), {0, 0}));
    EXPECT_FALSE(peaks.Build(dir.File("missing.wav"), kFileLength, why));
}
