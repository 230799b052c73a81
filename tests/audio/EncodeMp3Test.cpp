#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "WavBytes.h"
#include "audio/EncodeMp3.h"
#include "audio/EnsureMp3Encoder.h"
#include "support/MediaProbe.h"
#include "support/PromptRecorder.h"
#include "support/TempDir.h"

namespace {

constexpr size_t kMp3FrameSamples = 1152;

class EncodeMp3Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::unsetenv("TESSAVOX_LAME_LIBRARY");
        PromptRecorder prompt;
        Mp3NoticeSettings notices;
        ASSERT_TRUE(EnsureMp3Encoder(prompt, notices)) << "the MP3 encoder library (libmp3lame0) is needed";
    }

    size_t FilesIn() const
    {
        size_t n = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path())) n += e.is_regular_file() ? 1 : 0;
        return n;
    }

    TempDir dir;
};

std::vector<uint8_t> EightBitMonoFile(size_t frames)
{
    std::vector<uint8_t> data(frames);
    const auto tone = Tone(frames, 1);
    for (size_t i = 0; i < frames; ++i) data[i] = uint8_t(tone[i] / 256 + 128);
    return RiffWave({FmtChunk(1, 8), {"data", data}});
}

} // namespace

TEST_F(EncodeMp3Test, LeadInMusicAndTailDecodeToTheirLengthWithTags)
{
    const size_t music = 22050, leadIn = 44100, tail = 22050;
    const std::string wav = dir.File("work.wav"), mp3 = dir.File("song.mp3");
    WriteFileBytes(wav, Pcm16File(Tone(music, 2), 2));
    AudioEncodeOptions options;
    options.kbps = 192;
    options.title = "Midnight Rain";
    options.artist = "The Testers";
    options.leadInFrames = leadIn;
    options.tailFrames = tail;
    std::vector<int> seen;
    options.progress = [&](int p) {
        seen.push_back(p);
        return true;
    };
    std::string failure;
    ASSERT_TRUE(EncodeMp3(wav, mp3, options, &failure)) << failure;

    // Only the music and the tail count: one block of each.
    EXPECT_EQ(seen, std::vector<int>({50, 100}));
    EXPECT_EQ(ProbeEntry(mp3, "format_tags=title"), "Midnight Rain");
    EXPECT_EQ(ProbeEntry(mp3, "format_tags=artist"), "The Testers");
    EXPECT_EQ(ProbeEntry(mp3, "stream=bit_rate"), "192000");
    EXPECT_EQ(ProbeEntry(mp3, "stream=channels"), "2");

    const auto decoded = DecodeWithFfmpeg(mp3, 2);
    const size_t frames = decoded.size() / 2;
    EXPECT_NEAR(double(frames), double(leadIn + music + tail), double(kMp3FrameSamples));
    // Silence, the tone where the music is, silence again.
    EXPECT_LT(Rms(decoded, 0, 2 * (leadIn - kMp3FrameSamples)), 50.0);
    EXPECT_GT(Rms(decoded, 2 * (leadIn + kMp3FrameSamples), 2 * (leadIn + music - kMp3FrameSamples)), 8000.0);
    EXPECT_LT(Rms(decoded, 2 * (leadIn + music + kMp3FrameSamples), decoded.size()), 50.0);
    EXPECT_EQ(FilesIn(), 2u); // no temporary file left beside it
}

TEST_F(EncodeMp3Test, EightBitMonoIsWidenedAndItsLeadInIsSilent)
{
    // 8-bit silence is 128; a lead-in of zero bytes would be a full-scale offset.
    const size_t music = 11025, leadIn = 22050;
    const std::string wav = dir.File("mono8.wav"), mp3 = dir.File("mono8.mp3");
    WriteFileBytes(wav, EightBitMonoFile(music));
    AudioEncodeOptions options;
    options.leadInFrames = leadIn;
    std::string failure;
    ASSERT_TRUE(EncodeMp3(wav, mp3, options, &failure)) << failure;
    EXPECT_EQ(ProbeEntry(mp3, "stream=channels"), "1");
    const auto decoded = DecodeWithFfmpeg(mp3, 1);
    EXPECT_NEAR(double(decoded.size()), double(leadIn + music), double(kMp3FrameSamples));
    EXPECT_LT(Rms(decoded, 0, leadIn - kMp3FrameSamples), 50.0);
    EXPECT_GT(Rms(decoded, leadIn + kMp3FrameSamples, leadIn + music - kMp3FrameSamples), 8000.0);
}

TEST_F(EncodeMp3Test, BytesWithoutARiffHeaderAreRawStereoSixteenBit)
{
    const size_t music = 33075;
    const std::vector<uint8_t> raw = Le16Bytes(Tone(music, 2));
    const std::string mp3 = dir.File("raw.mp3");
    std::string failure;
    ASSERT_TRUE(EncodeMp3(std::span<const uint8_t>(raw), mp3, AudioEncodeOptions{}, &failure)) << failure;
    EXPECT_EQ(ProbeEntry(mp3, "stream=sample_rate"), "44100");
    const auto decoded = DecodeWithFfmpeg(mp3, 2);
    EXPECT_NEAR(double(decoded.size() / 2), double(music), double(kMp3FrameSamples));
    EXPECT_GT(Rms(decoded, 2 * kMp3FrameSamples, decoded.size() - 2 * kMp3FrameSamples), 8000.0);
}

TEST_F(EncodeMp3Test, UnusableSourcesFailAndLeaveTheOldFile)
{
    const std::string mp3 = dir.File("keep.mp3");
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    WriteFileBytes(mp3, old);
    const std::vector<uint8_t> samples(4000, 1);
    const std::pair<const char*, std::vector<uint8_t>> sources[] = {
        {"three channels", RiffWave({FmtChunk(3, 16), {"data", samples}})},
        {"24-bit", RiffWave({FmtChunk(2, 24), {"data", samples}})},
        {"no data", RiffWave({FmtChunk(2, 16), {"data", {}}})},
        {"compressed", RiffWave({{"fmt ", FormatBody(2, 2, 44100, 16)}, {"data", samples}})},
    };
    for (const auto& [what, bytes] : sources) {
        const std::string wav = dir.File("bad.wav");
        WriteFileBytes(wav, bytes);
        std::string failure;
        EXPECT_FALSE(EncodeMp3(wav, mp3, AudioEncodeOptions{}, &failure)) << what;
        EXPECT_FALSE(failure.empty()) << what;
        EXPECT_EQ(ReadFileBytes(mp3), old) << what;
    }
    std::string failure;
    EXPECT_FALSE(EncodeMp3(dir.File("missing.wav"), mp3, AudioEncodeOptions{}, &failure));
    EXPECT_NE(failure.find("missing.wav"), std::string::npos) << failure;
    EXPECT_FALSE(EncodeMp3(std::span<const uint8_t>(samples), dir.File("no/such/folder.mp3"), AudioEncodeOptions{}, &failure));
    EXPECT_EQ(FilesIn(), 2u);
}

TEST_F(EncodeMp3Test, CancelLeavesNoFile)
{
    const std::string wav = dir.File("work.wav"), mp3 = dir.File("song.mp3");
    WriteFileBytes(wav, Pcm16File(Tone(88200, 2), 2));
    AudioEncodeOptions options;
    options.progress = [](int p) { return p < 50; };
    std::string failure;
    EXPECT_FALSE(EncodeMp3(wav, mp3, options, &failure));
    EXPECT_FALSE(std::filesystem::exists(mp3));
    EXPECT_EQ(FilesIn(), 1u);
}
