#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "WavBytes.h"
#include "media/WavTexts.h"
#include "media/WaveStreamReader.h"
#include "support/TempDir.h"

namespace {

std::vector<uint8_t> Counting(size_t n)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 7 + i / 256);
    return v;
}

// Everything the reader delivers, in pieces of the given size.
std::vector<uint8_t> Drain(WaveStreamReader& reader, size_t piece)
{
    std::vector<uint8_t> all;
    std::vector<uint8_t> buf(piece);
    for (;;) {
        size_t got = 0;
        EXPECT_TRUE(reader.Read(buf, got)) << reader.FailureText();
        all.insert(all.end(), buf.begin(), buf.begin() + long(got));
        if (got < piece) break;
    }
    return all;
}

} // namespace

TEST(WaveStreamReader, LeadingSilenceThenDataWithinOneRead)
{
    const auto data = Counting(5000);
    const auto file = RiffWave({FmtChunk(2, 16), {"data", data}});
    WaveStreamReader reader;
    ASSERT_TRUE(reader.Open(file, 100));
    EXPECT_EQ(reader.SilentBytes(), 400u);
    std::vector<uint8_t> buf(1024, 0xAA);
    size_t got = 0;
    ASSERT_TRUE(reader.Read(buf, got));
    ASSERT_EQ(got, 1024u);
    EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + 400), std::vector<uint8_t>(400, 0));
    EXPECT_EQ(std::vector<uint8_t>(buf.begin() + 400, buf.end()), std::vector<uint8_t>(data.begin(), data.begin() + 624));
    EXPECT_EQ(reader.DataLeft(), 5000u - 624u);
}

TEST(WaveStreamReader, SilenceAcrossManyReadsAndResetStartsOver)
{
    // 8-bit silence is the centre value 128, not 0.
    const auto data = Counting(3001);
    const auto file = RiffWave({FmtChunk(1, 8), {"data", data}});
    WaveStreamReader reader;
    ASSERT_TRUE(reader.Open(file, 50));
    std::vector<uint8_t> expected(50, 128);
    expected.insert(expected.end(), data.begin(), data.end());
    EXPECT_EQ(Drain(reader, 7), expected);
    // At the end a read delivers nothing and is not a failure.
    std::vector<uint8_t> buf(16);
    size_t got = 99;
    EXPECT_TRUE(reader.Read(buf, got));
    EXPECT_EQ(got, 0u);

    ASSERT_TRUE(reader.Reset());
    EXPECT_EQ(Drain(reader, 1000), expected);
    // Reset in the middle of the silence.
    ASSERT_TRUE(reader.Reset());
    ASSERT_TRUE(reader.Read(std::span(buf).first(10), got));
    ASSERT_TRUE(reader.Reset());
    EXPECT_EQ(Drain(reader, 4096), expected);
}

TEST(WaveStreamReader, LargeReadsFromAFileMatchSmallOnes)
{
    TempDir dir;
    const auto data = Counting(300001);
    const std::string path = dir.File("big.wav");
    WriteFileBytes(path, RiffWave({FmtChunk(2, 16), {"LIST", {1, 2, 3}}, {"data", data}}));
    WaveStreamReader reader;
    ASSERT_TRUE(reader.Open(path, 3));
    std::vector<uint8_t> expected(12, 0);
    expected.insert(expected.end(), data.begin(), data.end());
    // Pieces larger than the reader's own buffer bypass it; the others go through it.
    for (size_t piece : {size_t(200000), size_t(65536), size_t(4096), size_t(1)}) {
        SCOPED_TRACE(piece);
        ASSERT_TRUE(reader.Reset());
        EXPECT_EQ(Drain(reader, piece), expected);
    }
}

TEST(WaveStreamReader, FindsItsChunksByTheRiffRules)
{
    const auto data = Counting(64);
    {
        // Data ahead of the format chunk is still found; odd chunks are padded.
        WaveStreamReader reader;
        const auto file = RiffWave({{"LIST", {1, 2, 3}}, {"data", data}, FmtChunk(2, 16)});
        ASSERT_TRUE(reader.Open(file));
        EXPECT_EQ(reader.Format().channels, 2u);
        EXPECT_EQ(Drain(reader, 100), data);
    }
    {
        // Plain PCM keeps no extra bytes, even from an 18-byte format chunk.
        WaveStreamReader reader;
        const auto file = RiffWave({{"fmt ", FormatBody(1, 1, 44100, 16, {5, 0})}, {"data", data}});
        ASSERT_TRUE(reader.Open(file));
        EXPECT_TRUE(reader.ExtraFormatBytes().empty());
    }
    {
        // The extensible format keeps its 22 extra bytes.
        WaveStreamReader reader;
        const auto extra = ExtensibleExtra(16, 1);
        const auto file = RiffWave({{"fmt ", FormatBody(0xFFFE, 2, 44100, 16, extra)}, {"data", data}});
        ASSERT_TRUE(reader.Open(file));
        EXPECT_EQ(reader.ExtraFormatBytes(), std::vector<uint8_t>(extra.begin() + 2, extra.end()));
        EXPECT_EQ(Drain(reader, 100), data);
    }
    {
        // A data chunk that claims more than the file holds streams what is there.
        WaveStreamReader reader;
        const auto file = RiffWave({FmtChunk(2, 16), {"data", data, 0xFFFFFFFF}});
        ASSERT_TRUE(reader.Open(file, 1));
        EXPECT_EQ(reader.DataBytes(), 64u);
        auto expected = std::vector<uint8_t>(4, 0);
        expected.insert(expected.end(), data.begin(), data.end());
        EXPECT_EQ(Drain(reader, 50), expected);
    }
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> bad = {
        {"short format", RiffWave({{"fmt ", std::vector<uint8_t>(14)}, {"data", data}})},
        {"extra bytes beyond the format chunk", RiffWave({{"fmt ", FormatBody(0xFFFE, 2, 44100, 16, {40, 0, 1, 2})}, {"data", data}})},
        {"no data", RiffWave({FmtChunk(2, 16)})},
        {"no format", RiffWave({{"data", data}})},
        {"not WAVE", [&] { auto f = RiffWave({FmtChunk(2, 16), {"data", data}}); f[8] = 'w'; return f; }()},
    };
    for (const auto& [name, file] : bad) {
        SCOPED_TRACE(name);
        WaveStreamReader reader;
        EXPECT_FALSE(reader.Open(file));
        EXPECT_EQ(reader.FailureText(), kMsgWavCorrupt);
        EXPECT_FALSE(reader.IsOpen());
        std::vector<uint8_t> buf(8);
        size_t got = 1;
        EXPECT_FALSE(reader.Read(buf, got));
        EXPECT_EQ(got, 0u);
        EXPECT_FALSE(reader.Reset());
    }
}

TEST(WaveStreamReader, RefusesWhatItCannotStream)
{
    WaveStreamReader reader;
    const auto bits24 = RiffWave({{"fmt ", FormatBody(1, 2, 44100, 24)}, {"data", std::vector<uint8_t>(60)}});
    EXPECT_FALSE(reader.Open(bits24));
    EXPECT_EQ(reader.FailureText(), WavSampleSizeText(24));
    const auto mp3 = RiffWave({{"fmt ", FormatBody(0x55, 2, 44100, 0, {0, 0})}, {"data", std::vector<uint8_t>(60)}});
    EXPECT_FALSE(reader.Open(mp3));
    EXPECT_EQ(reader.FailureText(),
              "Only uncompressed PCM WAV files are supported. Can't open WAV file with compressed samples (format tag "
              "0x0055).");

    TempDir dir;
    const std::string path = dir.File("none.wav");
    EXPECT_FALSE(reader.Open(path));
    EXPECT_EQ(reader.FailureText(), "Error : Unable to open file \"" + path + "\" for reading.");
}

TEST(WaveStreamReader, AFileThatShrinksWhileStreamingIsAFailure)
{
    TempDir dir;
    const std::string path = dir.File("shrinks.wav");
    WriteFileBytes(path, RiffWave({FmtChunk(2, 16), {"data", Counting(1 << 20)}}));
    WaveStreamReader reader;
    ASSERT_TRUE(reader.Open(path));
    std::filesystem::resize_file(path, 100000);
    std::vector<uint8_t> buf(4096);
    size_t got = 0;
    size_t total = 0;
    bool ok = true;
    while (ok && total < (1u << 20)) {
        ok = reader.Read(buf, got);
        total += got;
        if (ok) {
            ASSERT_EQ(got, buf.size());
        }
    }
    EXPECT_FALSE(ok);
    EXPECT_LT(total, 1u << 20);
    EXPECT_EQ(reader.FailureText(), kMsgWavReadFailed);
}

TEST(WaveStreamReader, AGivenLengthCutsTheDataOrGoesOnWithSilence)
{
    // 8-bit: the silence after the data is the centre value, in whole frames, behind the
    // lead-in; large and small reads alike.
    const auto data = Counting(3000);
    const auto file = RiffWave({FmtChunk(2, 8), {"data", data}});
    WaveStreamReader reader;
    ASSERT_TRUE(reader.Open(file, 10));
    ASSERT_TRUE(reader.SetLength(200001));
    EXPECT_EQ(reader.DataBytes(), 200000u);
    EXPECT_EQ(reader.FileDataBytes(), 3000u);
    EXPECT_EQ(reader.DataLeft(), 200000u);
    std::vector<uint8_t> expected(20, 128);
    expected.insert(expected.end(), data.begin(), data.end());
    expected.resize(20 + 200000, 128);
    for (size_t piece : {size_t(7), size_t(100000), size_t(300000)}) {
        ASSERT_TRUE(reader.Reset());
        EXPECT_EQ(Drain(reader, piece), expected) << "pieces of " << piece;
        EXPECT_EQ(reader.DataLeft(), 0u);
    }

    // Shorter than the file: cut; kFileLength: the file's own length again.
    ASSERT_TRUE(reader.SetLength(1001));
    EXPECT_EQ(Drain(reader, 512), std::vector<uint8_t>(expected.begin(), expected.begin() + 20 + 1000));
    ASSERT_TRUE(reader.SetLength(kFileLength));
    EXPECT_EQ(reader.DataBytes(), 3000u);
    EXPECT_EQ(Drain(reader, 4096), std::vector<uint8_t>(expected.begin(), expected.begin() + 20 + 3000));
}
