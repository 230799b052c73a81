#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "audio/WavOutFile.h"
#include "cli/CliRunner.h"
#include "support/MediaProbe.h"
#include "support/TempDir.h"

namespace {

constexpr size_t kSectorAudio = 2352;
constexpr size_t kSectorSubcode = 96;
constexpr size_t kSector = kSectorAudio + kSectorSubcode;

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::vector<int16_t> Samples(size_t frames)
{
    std::vector<int16_t> s(frames * 2);
    for (size_t i = 0; i < s.size(); ++i) s[i] = int16_t(10000 * std::sin(0.0627 * double(i / 2)) + double(i % 2));
    return s;
}

void WriteWork(const std::string& path, const std::vector<int16_t>& samples)
{
    WavOutFile wav;
    ASSERT_TRUE(wav.Create(path, 44100, 16, 2));
    ASSERT_TRUE(wav.Write(samples));
    ASSERT_TRUE(wav.Close());
}

} // namespace

TEST(EncodeCommand, Mp3AndWmaWithTagsAndSilence)
{
    TempDir dir;
    const std::string wav = dir.File("work.wav");
    WriteWork(wav, Samples(22050));
    CliResult r = RunCli({"encode", wav, "-o", dir.File("a.mp3"), "--kbps", "96", "--lead-in", "44100", "--tail",
                          "22050", "--title", "Caf\xC3\xA9", "--artist", "Band"});
    ASSERT_EQ(r.status, 0) << r.Output();
    EXPECT_EQ(ProbeEntry(dir.File("a.mp3"), "stream=bit_rate"), "96000");
    EXPECT_EQ(ProbeEntry(dir.File("a.mp3"), "format_tags=title"), "Caf\xC3\xA9");
    EXPECT_EQ(ProbeEntry(dir.File("a.mp3"), "format_tags=artist"), "Band");
    // At 96 kbps the encoder picks a lower output rate of its own; the length stays two seconds.
    const double rate = std::stod(ProbeEntry(dir.File("a.mp3"), "stream=sample_rate"));
    EXPECT_NEAR(double(DecodeWithFfmpeg(dir.File("a.mp3"), 2).size() / 2) / rate, 2.0, 1152.0 / rate);

    r = RunCli({"encode", wav, "-o", dir.File("b.WMA"), "--title", "T", "--artist", "A"});
    ASSERT_EQ(r.status, 0) << r.Output();
    EXPECT_EQ(ProbeEntry(dir.File("b.WMA"), "stream=codec_name"), "wmav2");
    EXPECT_EQ(ProbeEntry(dir.File("b.WMA"), "stream=bit_rate"), "128000");
    EXPECT_EQ(ProbeEntry(dir.File("b.WMA"), "format_tags=artist"), "A");
}

TEST(EncodeCommand, RefusesWhatTheExportsDoNotOffer)
{
    TempDir dir;
    const std::string wav = dir.File("work.wav");
    WriteWork(wav, Samples(1000));
    CliResult r = RunCli({"encode", wav, "-o", dir.File("a.wma"), "--kbps", "112"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Contains(r.err, "WMA bit rates are 192, 160, 128, 96")) << r.err;
    r = RunCli({"encode", wav, "-o", dir.File("a.ogg")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Contains(r.err, ".mp3 or .wma")) << r.err;
    r = RunCli({"encode", dir.File("missing.wav"), "-o", dir.File("a.wma")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "missing.wav")) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.wma")));
    // Compressed music is no work file: its bytes would be encoded as noise.
    const std::string mp3 = dir.File("song.mp3");
    ASSERT_EQ(RunCli({"encode", wav, "-o", mp3}).status, 0);
    r = RunCli({"encode", mp3, "-o", dir.File("again.mp3")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "\"" + mp3 + "\" is not a WAV work file")) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("again.mp3")));
}

TEST(EncodeCommand, WithoutTheEncoderLibraryMp3IsUnavailable)
{
    TempDir dir;
    const std::string wav = dir.File("work.wav");
    WriteWork(wav, Samples(1000));
    ::setenv("TESSAVOX_LAME_LIBRARY", "/nonexistent.so", 1);
    const CliResult r = RunCli({"encode", wav, "-o", dir.File("a.mp3")});
    ::unsetenv("TESSAVOX_LAME_LIBRARY");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "/nonexistent.so")) << r.err;
    EXPECT_TRUE(Contains(r.err, "libmp3lame0")) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.mp3")));
}

TEST(BinCommand, SectorsCarryTheMusicThenTheWholeStream)
{
    TempDir dir;
    const std::string wav = dir.File("work.wav"), cdg = dir.File("song.cdg"), bin = dir.File("song.bin");
    const auto music = Samples(kSectorAudio / 4);
    WriteWork(wav, music);
    std::vector<uint8_t> stream(3 * 1248 + 100);
    for (size_t i = 0; i < stream.size(); ++i) stream[i] = uint8_t(1 + i % 251);
    WriteFileBytes(cdg, stream);

    const CliResult r = RunCli({"bin", wav, cdg, "-o", bin});
    ASSERT_EQ(r.status, 0) << r.Output();
    // One music sector, then four silent pieces of 13 carry the rest of the stream.
    EXPECT_EQ(r.out, bin + ": 53 sectors (0:00)\n");
    const auto bytes = ReadFileBytes(bin);
    ASSERT_EQ(bytes.size(), 53 * kSector);
    std::vector<uint8_t> audio, subcode;
    for (size_t k = 0; k < 53; ++k) {
        audio.insert(audio.end(), bytes.begin() + long(k * kSector), bytes.begin() + long(k * kSector + kSectorAudio));
        subcode.insert(subcode.end(), bytes.begin() + long(k * kSector + kSectorAudio),
                       bytes.begin() + long((k + 1) * kSector));
    }
    for (size_t i = 0; i < music.size(); ++i) {
        ASSERT_EQ(int16_t(audio[2 * i] | (audio[2 * i + 1] << 8)), music[i]) << i;
    }
    EXPECT_TRUE(std::all_of(audio.begin() + long(kSectorAudio), audio.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(stream.begin(), stream.end(), subcode.begin()));
    EXPECT_TRUE(std::all_of(subcode.begin() + long(stream.size()), subcode.end(), [](uint8_t b) { return b == 0; }));
}

TEST(BinCommand, BadInputGetsAClearMessageAndNoFile)
{
    TempDir dir;
    const std::string wav = dir.File("work.wav"), bin = dir.File("song.bin");
    WriteWork(wav, Samples(100));
    CliResult r = RunCli({"bin", wav, dir.File("missing.cdg"), "-o", bin});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "missing.cdg")) << r.err;
    WriteFileBytes(dir.File("s.cdg"), std::vector<uint8_t>(2400, 9));
    r = RunCli({"bin", wav, dir.File("s.cdg"), "-o", dir.File("nowhere/song.bin")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "Unable to create BIN file.")) << r.err;
    r = RunCli({"bin", wav, "-o", bin});
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(std::filesystem::exists(bin));
}
