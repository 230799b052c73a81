#include <gtest/gtest.h>

#include <sstream>

#include "WavBytes.h"
#include "audio/WavInFile.h"
#include "audio/WavOutFile.h"
#include "media/WavTexts.h"
#include "support/PictureFiles.h"
#include "support/TempDir.h"

namespace {

std::vector<int16_t> ReadAll(WavInFile& in, size_t piece)
{
    std::vector<int16_t> all;
    std::vector<int16_t> buf(piece);
    for (;;) {
        const size_t n = in.Read(buf);
        if (n == 0) break;
        EXPECT_LE(n, piece);
        all.insert(all.end(), buf.begin(), buf.begin() + long(n));
    }
    return all;
}

void ExpectUnreadable(WavInFile& in)
{
    EXPECT_EQ(in.SampleRate(), 0u);
    EXPECT_EQ(in.Channels(), 0u);
    EXPECT_EQ(in.BitsPerSample(), 0u);
    EXPECT_EQ(in.DataBytes(), 0u);
    EXPECT_EQ(in.SampleFrames(), 0u);
    EXPECT_EQ(in.LengthMs(), 0u);
    int16_t s[8];
    EXPECT_EQ(in.Read(s), 0u);
}

} // namespace

TEST(WavInFile, ReadsBackWhatTheWriterWroteInEveryFormat)
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
            WavInFile in;
            ASSERT_TRUE(in.Open(path)) << in.FailureText();
            EXPECT_EQ(in.SampleRate(), 44100u);
            EXPECT_EQ(in.Channels(), channels);
            EXPECT_EQ(in.BitsPerSample(), bits);
            EXPECT_EQ(in.DataBytes(), frames * channels * bits / 8);
            EXPECT_EQ(in.SampleFrames(), frames);
            EXPECT_EQ(in.LengthMs(), 680u); // 680.29 ms
            // An odd piece size makes reads end inside frames and at the data end.
            const auto back = ReadAll(in, 997);
            ASSERT_EQ(back.size(), samples.size());
            for (size_t i = 0; i < samples.size(); ++i) {
                const int expected = bits == 16 ? samples[i] : samples[i] / 256 * 256;
                ASSERT_EQ(back[i], expected) << "sample " << i;
            }
            EXPECT_TRUE(in.AtEnd());
            EXPECT_EQ(in.DataBytesRead(), in.DataBytes());
        }
    }
}

TEST(WavInFile, EightBitBytesBecomeSignedSixteenBitSamples)
{
    const auto file = RiffWave({FmtChunk(1, 8), {"data", {0, 128, 255, 1}}});
    WavInFile in;
    ASSERT_TRUE(in.Open(file));
    int16_t s[8] = {};
    ASSERT_EQ(in.Read(s), 4u);
    EXPECT_EQ(s[0], -32768);
    EXPECT_EQ(s[1], 0);
    EXPECT_EQ(s[2], 32512);
    EXPECT_EQ(s[3], -32512);
}

TEST(WavInFile, LengthIsRoundedToTheNearestMillisecond)
{
    // 66 frames at 44,100 Hz are 1.497 ms, 67 frames 1.519 ms.
    WavInFile in;
    const auto f66 = Pcm16File(std::vector<int16_t>(66), 1);
    ASSERT_TRUE(in.Open(f66));
    EXPECT_EQ(in.LengthMs(), 1u);
    const auto f67 = Pcm16File(std::vector<int16_t>(67), 1);
    ASSERT_TRUE(in.Open(f67));
    EXPECT_EQ(in.LengthMs(), 2u);
    // A data size that is no whole number of frames counts whole frames.
    const auto odd = RiffWave({FmtChunk(2, 16), {"data", std::vector<uint8_t>(4 * 22050 + 3)}});
    ASSERT_TRUE(in.Open(odd));
    EXPECT_EQ(in.SampleFrames(), 22050u);
    EXPECT_EQ(in.LengthMs(), 500u);
}

TEST(WavInFile, WalksPastOtherChunksAndPadsOddSizes)
{
    const auto samples = Tone(500, 2);
    const auto data = Le16Bytes(samples);
    const RiffChunk list{"LIST", std::vector<uint8_t>(13, 'x')}; // odd: followed by a pad byte
    const RiffChunk fmt18{"fmt ", FormatBody(1, 2, 44100, 16, {0, 0})};
    const RiffChunk fact{"fact", {0xF4, 0x01, 0, 0, 9, 9, 9, 9}};
    const RiffChunk extensible{"fmt ", FormatBody(0xFFFE, 2, 44100, 16, ExtensibleExtra(16, 1))};
    // Chunk ids may use any byte from 32 to 122.
    const RiffChunk edgeIds{" z0z", {1, 2, 3}};
    const std::vector<std::vector<RiffChunk>> layouts = {
        {list, FmtChunk(2, 16), {"data", data}},
        {FmtChunk(2, 16), list, {"data", data}, list},
        {fmt18, fact, list, {"data", data}},
        {edgeIds, extensible, {"data", data}},
    };
    for (size_t i = 0; i < layouts.size(); ++i) {
        SCOPED_TRACE("layout " + std::to_string(i));
        const auto file = RiffWave(layouts[i]);
        WavInFile in;
        ASSERT_TRUE(in.Open(file)) << in.FailureText();
        EXPECT_EQ(in.Channels(), 2u);
        EXPECT_EQ(in.SampleFrames(), 500u);
        EXPECT_EQ(ReadAll(in, 4096), samples);
    }
}

TEST(WavInFile, BadHeadersReportNothingAndSayTheFileIsCorrupt)
{
    const auto data = RiffChunk{"data", std::vector<uint8_t>(64, 7)};
    auto badId = [](uint8_t b) { return RiffChunk{std::string("LI") + char(b) + "T", {1, 2}}; };
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> cases = {
        {"empty", {}},
        {"not RIFF", [&] { auto f = RiffWave({FmtChunk(1, 16), data}); f[0] = 'X'; return f; }()},
        {"not WAVE", [&] { auto f = RiffWave({FmtChunk(1, 16), data}); f[11] = 'X'; return f; }()},
        {"id byte 31", RiffWave({FmtChunk(1, 16), badId(31), data})},
        {"id byte 123", RiffWave({FmtChunk(1, 16), badId(123), data})},
        {"no format", RiffWave({data})},
        {"data before format", RiffWave({data, FmtChunk(1, 16)})},
        {"no data", RiffWave({FmtChunk(1, 16), {"LIST", {1, 2, 3, 4}}})},
        {"chunk beyond the end", RiffWave({FmtChunk(1, 16), {"LIST", {1, 2}, 1000}, data})},
        {"format beyond the end", RiffWave({{"fmt ", FormatBody(1, 1, 44100, 16), 0xFFFFFFFF}})},
        {"header cut short", std::vector<uint8_t>{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm'}},
    };
    for (const auto& [name, file] : cases) {
        SCOPED_TRACE(name);
        WavInFile in;
        EXPECT_FALSE(in.Open(file));
        EXPECT_EQ(in.FailureText(), "Input file is corrupt or not a WAV file");
        ExpectUnreadable(in);
    }
}

TEST(WavInFile, MissingFileSaysWhichFile)
{
    TempDir dir;
    const std::string path = dir.File("gone.wav");
    WavInFile in;
    EXPECT_FALSE(in.Open(path));
    EXPECT_EQ(in.FailureText(), "Error : Unable to open file \"" + path + "\" for reading.");
    ExpectUnreadable(in);
}

TEST(WavInFile, DataChunkLongerThanTheFileReadsWhatIsThere)
{
    const auto samples = Tone(150, 2);
    const auto file = RiffWave({FmtChunk(2, 16), {"data", Le16Bytes(samples), 1000000}});
    WavInFile in;
    ASSERT_TRUE(in.Open(file));
    EXPECT_EQ(in.Header().dataSize, 1000000u);
    EXPECT_EQ(in.DataBytes(), 600u);
    EXPECT_EQ(in.SampleFrames(), 150u);
    EXPECT_EQ(ReadAll(in, 1000), samples);
}

TEST(WavInFile, FormatsItCannotReadAreNamedButNotRead)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> format;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"24-bit", FormatBody(1, 2, 44100, 24), WavSampleSizeText(24)},
        {"float", FormatBody(3, 2, 44100, 32),
         "Only uncompressed PCM WAV files are supported. Can't open WAV file with floating-point samples."},
        {"extensible float", FormatBody(0xFFFE, 2, 44100, 32, ExtensibleExtra(32, 3)),
         "Only uncompressed PCM WAV files are supported. Can't open WAV file with floating-point samples."},
        {"ADPCM", FormatBody(2, 2, 44100, 4, {32, 0}),
         "Only uncompressed PCM WAV files are supported. Can't open WAV file with compressed samples (format tag "
         "0x0002)."},
        {"extensible cut short", FormatBody(0xFFFE, 2, 44100, 16, {0, 0}),
         "Only uncompressed PCM WAV files are supported. Can't open WAV file with an extensible format of unknown "
         "kind."},
        {"no channels", FormatBody(1, 0, 44100, 16), kMsgWavBadFormat},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = RiffWave({{"fmt ", c.format}, {"fact", {0x88, 0x58, 0x01, 0}}, {"data", std::vector<uint8_t>(96)}});
        WavInFile in;
        EXPECT_FALSE(in.Open(file));
        EXPECT_EQ(in.FailureText(), c.text);
        int16_t s[16];
        EXPECT_EQ(in.Read(s), 0u);
    }
    // What the format says is still reported, and a compressed file's length comes from its
    // fact chunk (88,200 frames at 44,100 Hz).
    const auto adpcm = RiffWave({{"fmt ", FormatBody(2, 2, 44100, 4, {32, 0})},
                                 {"fact", {0x88, 0x58, 0x01, 0}},
                                 {"data", std::vector<uint8_t>(96)}});
    WavInFile in;
    EXPECT_FALSE(in.Open(adpcm));
    EXPECT_EQ(in.BitsPerSample(), 4u);
    EXPECT_EQ(in.SampleFrames(), 88200u);
    EXPECT_EQ(in.LengthMs(), 2000u);
}

TEST(WavInFile, ReadsFromAStreamAtItsPosition)
{
    const auto samples = Tone(64, 1);
    const auto file = Pcm16File(samples, 1);
    std::stringstream stream;
    stream << "junk before";
    stream.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    stream.seekg(11);
    WavInFile in;
    ASSERT_TRUE(in.Open(stream));
    EXPECT_EQ(ReadAll(in, 10), samples);
}

// Files made by other programs: ffmpeg adds a LIST chunk, sox makes 8-bit files. Both tools
// also decode our writer's files.
TEST(WavInFile, AgreesWithOtherProgramsBothWays)
{
    TempDir dir;
    const std::string made = dir.File("ffmpeg.wav");
    const std::string raw = dir.File("ffmpeg.raw");
    ASSERT_TRUE(RunCommand("ffmpeg -v error -f lavfi -i sine=frequency=440:duration=0.5 -ac 2 -metadata title=T "
                           "-c:a pcm_s16le -y " + made + " && ffmpeg -v error -i " + made +
                           " -f s16le -c:a pcm_s16le -y " + raw));
    const auto rawBytes = ReadFileBytes(raw);
    WavInFile in;
    ASSERT_TRUE(in.Open(made)) << in.FailureText();
    EXPECT_EQ(in.DataBytes(), rawBytes.size());
    EXPECT_EQ(Le16Bytes(ReadAll(in, 4096)), rawBytes);

    const std::string sox8 = dir.File("sox8.wav");
    const std::string soxRaw = dir.File("sox8.raw");
    ASSERT_TRUE(RunCommand("sox -n -r 44100 -c 1 -b 8 -e unsigned-integer " + sox8 + " synth 0.25 sine 300 && sox " +
                           sox8 + " -t raw " + soxRaw));
    const auto soxBytes = ReadFileBytes(soxRaw);
    ASSERT_TRUE(in.Open(sox8)) << in.FailureText();
    EXPECT_EQ(in.BitsPerSample(), 8u);
    const auto soxSamples = ReadAll(in, 4096);
    ASSERT_EQ(soxSamples.size(), soxBytes.size());
    for (size_t i = 0; i < soxBytes.size(); ++i) ASSERT_EQ(soxSamples[i], (soxBytes[i] - 128) * 256);

    const auto samples = Tone(4410, 2);
    const std::string ours = dir.File("ours.wav");
    {
        WavOutFile out;
        ASSERT_TRUE(out.Create(ours, 44100, 16, 2));
        ASSERT_TRUE(out.Write(samples));
    }
    const std::string back = dir.File("ours.raw");
    ASSERT_TRUE(RunCommand("ffmpeg -v error -i " + ours + " -f s16le -c:a pcm_s16le -y " + back));
    EXPECT_EQ(ReadFileBytes(back), Le16Bytes(samples));
}
