#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <sstream>

#include "WavBytes.h"
#include "audio/WavOutFile.h"
#include "media/WavTexts.h"
#include "media/WaveStreamReader.h"
#include "support/PictureFiles.h"
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

// What a refused header reports: nothing.
void ExpectNoFacts(const WaveStreamReader& reader)
{
    EXPECT_EQ(reader.Format().sampleRate, 0u);
    EXPECT_EQ(reader.Format().channels, 0u);
    EXPECT_EQ(reader.Format().bitsPerSample, 0u);
    EXPECT_EQ(reader.DataBytes(), 0u);
    EXPECT_EQ(reader.SampleFrames(), 0u);
    EXPECT_EQ(reader.LengthMs(), 0u);
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
        // The layouts we meet: LIST chunks before or after the data (a work file names its
        // music in a trailing LIST/INFO chunk), odd chunks padded, an 18-byte format chunk with
        // a fact chunk, the extensible format, the data ahead of the format chunk. Chunks are
        // passed over by their size whatever their ids hold, and frames are counted in whole
        // sample frames as they stream, whatever the block align says.
        const auto samples = Le16Bytes(Tone(500, 2));
        const RiffChunk list{"LIST", std::vector<uint8_t>(13, 'x')};
        const RiffChunk source{"LIST", {'I', 'N', 'F', 'O', 'I', 'S', 'R', 'F', 5, 0, 0, 0, 'a', '.', 'm', 'p', '3', 0}};
        const RiffChunk fmt18{"fmt ", FormatBody(1, 2, 44100, 16, {0, 0})};
        const RiffChunk fact{"fact", {0xF4, 0x01, 0, 0, 9, 9, 9, 9}};
        const RiffChunk extensible{"fmt ", FormatBody(0xFFFE, 2, 44100, 16, ExtensibleExtra(16, 1))};
        RiffChunk noAlign = FmtChunk(2, 16);
        noAlign.body[12] = 0;
        const std::vector<std::vector<RiffChunk>> layouts = {
            {list, FmtChunk(2, 16), {"data", samples}},
            {FmtChunk(2, 16), {"data", samples}, source},
            {fmt18, fact, list, {"data", samples}, list},
            {{" z0z", {1, 2, 3}}, extensible, {"data", samples}},
            {FmtChunk(2, 16), {"LI\x1FT", {1, 2}}, {"LI{T", {3}}, {"data", samples}},
            {list, {"data", samples}, FmtChunk(2, 16)},
            {noAlign, {"data", samples}},
        };
        for (size_t i = 0; i < layouts.size(); ++i) {
            SCOPED_TRACE("layout " + std::to_string(i));
            const auto file = RiffWave(layouts[i]);
            WaveStreamReader reader;
            ASSERT_TRUE(reader.Open(file)) << reader.FailureText();
            EXPECT_EQ(reader.Format().channels, 2u);
            EXPECT_EQ(reader.DataBytes(), 2000u);
            EXPECT_EQ(reader.SampleFrames(), 500u);
            EXPECT_EQ(reader.LengthMs(), 11u); // 11.34 ms
            EXPECT_EQ(Drain(reader, 4096), samples);
        }
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
        {"empty", {}},
        {"not RIFF", [&] { auto f = RiffWave({FmtChunk(2, 16), {"data", data}}); f[0] = 'X'; return f; }()},
        {"header cut short", std::vector<uint8_t>{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm'}},
        {"short format", RiffWave({{"fmt ", std::vector<uint8_t>(14)}, {"data", data}})},
        {"format without its sample size",
         RiffWave({{"fmt ", [] { auto f = FormatBody(1, 2, 44100, 16); f.resize(14); return f; }()}, {"data", data}})},
        {"chunk beyond the end", RiffWave({FmtChunk(1, 16), {"LIST", {1, 2}, 1000}, {"data", data}})},
        {"format beyond the end", RiffWave({{"fmt ", FormatBody(1, 1, 44100, 16), 0xFFFFFFFF}, {"data", data}})},
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
        ExpectNoFacts(reader);
    }
}

TEST(WaveStreamReader, RefusesWhatItCannotStreamButTellsItsFacts)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> format;
        std::string text;
    };
    const std::string compressed = "Only uncompressed PCM WAV files are supported. Can't open WAV file with ";
    const std::vector<Case> cases = {
        {"24-bit", FormatBody(1, 2, 44100, 24), WavSampleSizeText(24)},
        {"float", FormatBody(3, 2, 44100, 32), compressed + "floating-point samples."},
        {"extensible float", FormatBody(0xFFFE, 2, 44100, 32, ExtensibleExtra(32, 3)), compressed + "floating-point samples."},
        {"MP3", FormatBody(0x55, 2, 44100, 0, {0, 0}), compressed + "compressed samples (format tag 0x0055)."},
        {"extensible cut short", FormatBody(0xFFFE, 2, 44100, 16, {0, 0}), compressed + "an extensible format of unknown kind."},
        {"no channels", FormatBody(1, 0, 44100, 16), kMsgWavBadFormat},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = RiffWave({{"fmt ", c.format}, {"fact", {0x88, 0x58, 0x01, 0}}, {"data", std::vector<uint8_t>(96)}});
        WaveStreamReader reader;
        EXPECT_FALSE(reader.Open(file));
        EXPECT_EQ(reader.FailureText(), c.text);
        std::vector<uint8_t> buf(8);
        size_t got = 1;
        EXPECT_FALSE(reader.Read(buf, got));
        EXPECT_EQ(got, 0u);
    }
    // The header still says what it holds: a compressed file's length comes from its fact
    // chunk (88,200 frames at 44,100 Hz), a 24-bit one's from its data.
    std::vector<uint8_t> adpcmExtra(2 + 32);
    adpcmExtra[0] = 32;
    const auto adpcm = RiffWave({{"fmt ", FormatBody(2, 2, 44100, 4, adpcmExtra)},
                                 {"data", std::vector<uint8_t>(96)},
                                 {"fact", {0x88, 0x58, 0x01, 0}}});
    WaveStreamReader reader;
    EXPECT_FALSE(reader.Open(adpcm));
    EXPECT_EQ(reader.Format().bitsPerSample, 4u);
    EXPECT_EQ(reader.SampleFrames(), 88200u);
    EXPECT_EQ(reader.LengthMs(), 2000u);
    const auto bits24 = RiffWave({{"fmt ", FormatBody(1, 2, 44100, 24)}, {"data", std::vector<uint8_t>(6 * 44100)}});
    EXPECT_FALSE(reader.Open(bits24));
    EXPECT_EQ(reader.DataBytes(), 6u * 44100u);
    EXPECT_EQ(reader.LengthMs(), 1000u);

    TempDir dir;
    const std::string path = dir.File("none.wav");
    EXPECT_FALSE(reader.Open(path));
    EXPECT_EQ(reader.FailureText(), "Error : Unable to open file \"" + path + "\" for reading.");
    ExpectNoFacts(reader);
}

// Our writer's files in every format we accept, and files made by other programs: ffmpeg adds
// a LIST chunk, sox makes 8-bit files. Lengths round to the nearest millisecond; a stream is
// read from its own position.
TEST(WaveStreamReader, ReadsOurWriterAndOtherProgramsWithTheirLengths)
{
    TempDir dir;
    for (uint16_t bits : {8, 16}) {
        for (uint16_t channels : {1, 2}) {
            SCOPED_TRACE(std::to_string(bits) + " bit, " + std::to_string(channels) + " channels");
            const size_t frames = 30001;
            const auto samples = Tone(frames, channels);
            const std::string path = dir.File("rt.wav");
            {
                WavOutFile out;
                ASSERT_TRUE(out.Create(path, 44100, bits, channels));
                ASSERT_TRUE(out.Write(samples));
            }
            std::vector<uint8_t> expected = Le16Bytes(samples);
            if (bits == 8) {
                expected.clear();
                for (int16_t v : samples) expected.push_back(uint8_t(v / 256 + 128));
            }
            WaveStreamReader reader;
            ASSERT_TRUE(reader.Open(path)) << reader.FailureText();
            EXPECT_EQ(reader.Format().sampleRate, 44100u);
            EXPECT_EQ(reader.Format().channels, channels);
            EXPECT_EQ(reader.Format().bitsPerSample, bits);
            EXPECT_EQ(reader.SampleFrames(), frames);
            EXPECT_EQ(reader.LengthMs(), 680u); // 680.29 ms
            EXPECT_EQ(Drain(reader, 997), expected);
        }
    }

    WaveStreamReader reader;
    // 66 frames at 44,100 Hz are 1.497 ms, 67 frames 1.519 ms; a data size that is no whole
    // number of frames counts whole frames.
    const auto f66 = Pcm16File(std::vector<int16_t>(66), 1);
    ASSERT_TRUE(reader.Open(f66));
    EXPECT_EQ(reader.LengthMs(), 1u);
    const auto f67 = Pcm16File(std::vector<int16_t>(67), 1);
    ASSERT_TRUE(reader.Open(f67));
    EXPECT_EQ(reader.LengthMs(), 2u);
    const auto odd = RiffWave({FmtChunk(2, 16), {"data", std::vector<uint8_t>(4 * 22050 + 3)}});
    ASSERT_TRUE(reader.Open(odd));
    EXPECT_EQ(reader.SampleFrames(), 22050u);
    EXPECT_EQ(reader.LengthMs(), 500u);

    const auto file = Pcm16File(Tone(64, 1), 1);
    std::stringstream stream;
    stream << "junk before";
    stream.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    stream.seekg(11);
    ASSERT_TRUE(reader.Open(stream));
    EXPECT_EQ(Drain(reader, 10), Le16Bytes(Tone(64, 1)));

    const std::string made = dir.File("ffmpeg.wav");
    const std::string raw = dir.File("ffmpeg.raw");
    ASSERT_TRUE(RunCommand("ffmpeg -v error -f lavfi -i sine=frequency=440:duration=0.5 -ac 2 -metadata title=T "
                           "-c:a pcm_s16le -y " + made + " && ffmpeg -v error -i " + made +
                           " -f s16le -c:a pcm_s16le -y " + raw));
    ASSERT_TRUE(reader.Open(made)) << reader.FailureText();
    EXPECT_EQ(reader.LengthMs(), 500u);
    EXPECT_EQ(Drain(reader, 4096), ReadFileBytes(raw));

    const std::string sox8 = dir.File("sox8.wav");
    const std::string soxRaw = dir.File("sox8.raw");
    ASSERT_TRUE(RunCommand("sox -n -r 44100 -c 1 -b 8 -e unsigned-integer " + sox8 + " synth 0.25 sine 300 && sox " +
                           sox8 + " -t raw " + soxRaw));
    ASSERT_TRUE(reader.Open(sox8)) << reader.FailureText();
    EXPECT_EQ(reader.Format().bitsPerSample, 8u);
    EXPECT_EQ(reader.LengthMs(), 250u);
    EXPECT_EQ(Drain(reader, 4096), ReadFileBytes(soxRaw));
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
