#include <gtest/gtest.h>

#include "audio/CAudioPlay.h"
#include "media/ByteOrder.h"
#include "support/PictureFiles.h"
#include "support/TempDir.h"

namespace {

// A sine tone made by ffmpeg: seconds long, at rate, with channels, encoded as ext.
std::string Tone(const TempDir& dir, const std::string& name, int seconds, int rate, int channels,
                 const std::string& extra = "")
{
    const std::string path = dir.File(name);
    const std::string cmd = "ffmpeg -v error -f lavfi -i sine=frequency=440:sample_rate=" + std::to_string(rate) +
                            ":duration=" + std::to_string(seconds) + " -ac " + std::to_string(channels) + " " +
                            extra + " -y " + path;
    EXPECT_TRUE(RunCommand(cmd)) << cmd;
    return path;
}

} // namespace

TEST(CAudioPlay, DecodesCompressedMusicToSixteenBitPcmWithProgressAndTags)
{
    TempDir dir;
    const std::string mp3 = Tone(dir, "tone.mp3", 3, 44100, 2,
                                 "-metadata title=Tune -metadata album_artist=Band -metadata album=Disc "
                                 "-metadata publisher=Label -metadata track=7");
    CAudioPlay decoder;
    std::vector<int> percents;
    ASSERT_EQ(decoder.Decode(mp3, dir.File("out.raw"), [&](int p) { percents.push_back(p); }), kStatusOk)
        << decoder.ErrorText();
    EXPECT_EQ(decoder.SampleRate(), 44100);
    EXPECT_EQ(decoder.Channels(), 2);
    EXPECT_EQ(decoder.BitsPerSample(), 16);
    const auto bytes = ReadFileBytes(dir.File("out.raw"));
    ASSERT_EQ(bytes.size(), 44 + decoder.BytesWritten());
    for (int i = 0; i < 44; ++i) EXPECT_EQ(bytes[size_t(i)], 0);
    // Three seconds, give or take the encoder's padding.
    EXPECT_NEAR(double(decoder.BytesWritten()), 3.0 * 44100 * 4, 44100 * 4 * 0.1);
    ASSERT_FALSE(percents.empty());
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(percents.back(), 100);

    const MusicTags& tags = decoder.Tags();
    EXPECT_EQ(tags.title, "Tune");
    EXPECT_EQ(tags.artist, "Band"); // from the album artist
    EXPECT_EQ(tags.album, "Disc");
    EXPECT_EQ(tags.brand, "Label");
    EXPECT_EQ(tags.track, "7");
    EXPECT_NEAR(double(tags.duration) / 1e7, 3.0, 0.1);

    MusicTags again;
    ASSERT_TRUE(decoder.ReadTags(mp3, again));
    EXPECT_EQ(again.title, "Tune");
    EXPECT_FALSE(decoder.ReadTags(dir.File("missing.mp3"), again));
}

TEST(CAudioPlay, FormatChecksFailWithTheirTextsUnlessSwitchedOff)
{
    TempDir dir;
    const std::string mono = Tone(dir, "mono.mp3", 1, 44100, 1);
    CAudioPlay decoder;
    EXPECT_EQ(decoder.Decode(mono, dir.File("a.raw"), nullptr), kStatusNotImplemented);
    EXPECT_EQ(decoder.ErrorText(), "Input music file is not stereo (2 channel) (hr=0x80004001)\n");

    const std::string slow = Tone(dir, "slow.mp3", 1, 22050, 2);
    EXPECT_EQ(decoder.Decode(slow, dir.File("b.raw"), nullptr), kStatusNotImplemented);
    EXPECT_EQ(decoder.ErrorText(), "Input stream is not 44,100 samples per second (hr=0x80004001)\n");
    decoder.SetAcceptAnyRate(true);
    EXPECT_EQ(decoder.Decode(slow, dir.File("b.raw"), nullptr), kStatusOk);
    EXPECT_EQ(decoder.SampleRate(), 22050);

    WriteFileBytes(dir.File("text.mp3"), std::vector<uint8_t>(4000, 'x'));
    EXPECT_NE(decoder.Decode(dir.File("text.mp3"), dir.File("c.raw"), nullptr), kStatusOk);
    EXPECT_FALSE(decoder.ErrorText().empty());
    EXPECT_NE(decoder.Decode(dir.File("none.mp3"), dir.File("d.raw"), nullptr), kStatusOk);
    EXPECT_EQ(decoder.ErrorText(), "Could not open the specified file (hr=0x80004005)\n");
}
