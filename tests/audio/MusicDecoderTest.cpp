#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "audio/MusicDecoder.h"
#include "media/ByteOrder.h"
#include "support/MusicFiles.h"
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

TEST(MusicDecoder, DecodesCompressedMusicToSixteenBitPcmWithProgressAndTags)
{
    TempDir dir;
    const std::string mp3 = Tone(dir, "tone.mp3", 3, 44100, 2,
                                 "-metadata title=Tune -metadata album_artist=Band -metadata album=Disc "
                                 "-metadata publisher=Label -metadata track=7");
    MusicDecoder decoder;
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

TEST(MusicDecoder, FormatChecksFailWithTheirTextsUnlessSwitchedOff)
{
    TempDir dir;
    const std::string mono = Tone(dir, "mono.mp3", 1, 44100, 1);
    MusicDecoder decoder;
    EXPECT_EQ(decoder.Decode(mono, dir.File("a.raw"), nullptr), kStatusNotImplemented);
    EXPECT_EQ(decoder.ErrorText(), "Input music file is not stereo (2 channel)\n");

    const std::string slow = Tone(dir, "slow.mp3", 1, 22050, 2);
    EXPECT_EQ(decoder.Decode(slow, dir.File("b.raw"), nullptr), kStatusNotImplemented);
    EXPECT_EQ(decoder.ErrorText(), "Input stream is not 44,100 samples per second\n");
    decoder.SetAcceptAnyRate(true);
    EXPECT_EQ(decoder.Decode(slow, dir.File("b.raw"), nullptr), kStatusOk);
    EXPECT_EQ(decoder.SampleRate(), 22050);

    WriteFileBytes(dir.File("text.mp3"), std::vector<uint8_t>(4000, 'x'));
    EXPECT_NE(decoder.Decode(dir.File("text.mp3"), dir.File("c.raw"), nullptr), kStatusOk);
    EXPECT_FALSE(decoder.ErrorText().empty());
    EXPECT_NE(decoder.Decode(dir.File("none.mp3"), dir.File("d.raw"), nullptr), kStatusOk);
    EXPECT_EQ(decoder.ErrorText(), "Could not open the specified file: No such file or directory\n");
}

TEST(MusicDecoder, MusicThatChangesChannelsOrRateMidWayKeepsOneOutputFormat)
{
    // MP3 frames stand alone, so files end to end make one stream whose last second is mono at
    // a lower rate: every frame must still come out as 44,100 Hz stereo. (The first part is
    // longer than FFmpeg looks ahead to learn the format, so the format is the first part's.)
    TempDir dir;
    const std::string folder = dir.Path().string();
    const std::string first = MakeMusic(folder, "first.mp3", 8 * 44100, 44100, 2, "-write_xing 0");
    const std::string second = MakeMusic(folder, "second.mp3", 22050, 22050, 1, "-write_xing 0 -id3v2_version 0");
    auto joined = ReadFileBytes(first);
    const auto tail = ReadFileBytes(second);
    joined.insert(joined.end(), tail.begin(), tail.end());
    WriteFileBytes(dir.File("joined.mp3"), joined);

    MusicDecoder decoder;
    ASSERT_EQ(decoder.Decode(dir.File("joined.mp3"), dir.File("out.raw"), nullptr), kStatusOk) << decoder.ErrorText();
    EXPECT_EQ(decoder.SampleRate(), 44100);
    EXPECT_EQ(decoder.Channels(), 2);
    const auto bytes = ReadFileBytes(dir.File("out.raw"));
    ASSERT_EQ(bytes.size(), 44 + decoder.BytesWritten());
    // Eight seconds and one, and the padding of two encodings that nothing trims.
    EXPECT_NEAR(double(decoder.BytesWritten()), 9.0 * 44100 * 4, 44100 * 4 * 0.15);

    // Well inside the second part: the mono sound is in both channels alike, not silence and
    // not garbage read from a channel that is not there.
    const size_t from = 44 + size_t(8.3 * 44100) * 4;
    const size_t to = 44 + size_t(8.7 * 44100) * 4;
    ASSERT_LT(to, bytes.size());
    int peak = 0;
    for (size_t at = from; at < to; at += 4) {
        const auto left = int16_t(GetLe16(&bytes[at]));
        const auto right = int16_t(GetLe16(&bytes[at + 2]));
        ASSERT_EQ(left, right) << "at byte " << at;
        peak = std::max(peak, std::abs(int(left)));
    }
    // The tone's peak is 4,096; spread from one channel to two it is about 0.7 of that.
    EXPECT_GT(peak, 2000);
}

TEST(MusicDecoder, FilesThatLostTheirEndAreRefusedButAShortTailIsNot)
{
    TempDir dir;
    const std::string folder = dir.Path().string();
    // The MP3 states its length in its first frame; the WMA states its own size in its header.
    const std::string mp3 = MakeMusic(folder, "song.mp3", 20 * 44100, 44100, 2);
    const std::string wma = MakeMusic(folder, "song.wma", 20 * 44100, 44100, 2, "-c:a wmav2");
    WriteTruncatedCopy(mp3, dir.File("cut.mp3"), size_t(std::filesystem::file_size(mp3) * 4 / 10));
    WriteTruncatedCopy(wma, dir.File("cut.wma"), size_t(std::filesystem::file_size(wma) * 9 / 10));
    WriteTruncatedCopy(mp3, dir.File("nearly.mp3"), size_t(std::filesystem::file_size(mp3) - 1500));

    MusicDecoder decoder;
    const auto endsEarly = [&](const char* name) {
        return "The music file ends before its stated length; it is truncated or damaged: \"" + dir.File(name) + "\"\n";
    };
    EXPECT_EQ(decoder.Decode(dir.File("cut.mp3"), dir.File("a.raw"), nullptr), kStatusEndOfFile);
    EXPECT_EQ(decoder.ErrorText(), endsEarly("cut.mp3"));
    EXPECT_EQ(decoder.Decode(dir.File("cut.wma"), dir.File("b.raw"), nullptr), kStatusEndOfFile);
    EXPECT_EQ(decoder.ErrorText(), endsEarly("cut.wma"));
    // A few frames missing at the very end cost less than a second: decoded as it is.
    EXPECT_EQ(decoder.Decode(dir.File("nearly.mp3"), dir.File("c.raw"), nullptr), kStatusOk) << decoder.ErrorText();
    EXPECT_EQ(decoder.Decode(wma, dir.File("d.raw"), nullptr), kStatusOk) << decoder.ErrorText();
}

TEST(MusicDecoder, CancelCheckStopsDecodingBetweenPackets)
{
    TempDir dir;
    const std::string mp3 = MakeMusic(dir.Path().string(), "song.mp3", 10 * 44100, 44100, 2);
    MusicDecoder decoder;
    int asked = 0;
    decoder.SetCancelCheck([&] { return ++asked > 20; });
    EXPECT_EQ(decoder.Decode(mp3, dir.File("out.raw"), nullptr), kStatusCancelled);
    EXPECT_EQ(decoder.ErrorText(), "Decoding was cancelled\n");
    EXPECT_EQ(asked, 21);
    // Twenty packets of 1,152 samples, at most.
    EXPECT_LE(decoder.BytesWritten(), 20u * 1152 * 4);
}

TEST(MusicDecoder, TagsNeedAudioAndDurationCanBeMeasuredFromThePackets)
{
    TempDir dir;
    const std::string mp3 = MakeMusic(dir.Path().string(), "song.mp3", 3 * 44100, 44100, 2);
    MusicDecoder decoder;
    EXPECT_NEAR(double(decoder.MeasureDuration(mp3)) / 1e7, 3.0, 0.1);

    // A picture opens in FFmpeg too, but it is no music.
    WriteBmp(dir.File("cover.mp3"), 4, 4, std::vector<uint32_t>(16, 0x123456));
    MusicTags tags;
    EXPECT_FALSE(decoder.ReadTags(dir.File("cover.mp3"), tags));
    EXPECT_EQ(decoder.ErrorText(), "Could not get audio stream in the specified file\n");
    EXPECT_EQ(decoder.MeasureDuration(dir.File("cover.mp3")), 0);
    WriteFileBytes(dir.File("text.ogg"), std::vector<uint8_t>(3000, 'y'));
    EXPECT_EQ(decoder.MeasureDuration(dir.File("text.ogg")), 0);
}
