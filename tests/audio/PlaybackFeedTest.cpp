#include <gtest/gtest.h>

#include <vector>

#include "PlaybackFixtures.h"
#include "WavBytes.h"
#include "audio/PlaybackFeed.h"
#include "support/TempDir.h"

namespace {

// Everything the feed delivers at a constant tempo, and the sizes of its segments.
struct Drained {
    std::vector<int16_t> samples;
    std::vector<size_t> segments;
};

Drained Drain(PlaybackFeed& feed, int tempo = 0)
{
    Drained d;
    std::vector<int16_t> segment(size_t(kSegmentFrames) * 2);
    for (int guard = 0; guard < 100000; ++guard) {
        const size_t frames = feed.Next(segment, tempo);
        d.segments.push_back(frames);
        d.samples.insert(d.samples.end(), segment.begin(), segment.begin() + long(frames * 2));
        if (frames < kSegmentFrames) break;
    }
    return d;
}

std::vector<int16_t> Silence(size_t frames)
{
    return std::vector<int16_t>(frames * 2, 0);
}

std::vector<int16_t> Concat(std::vector<int16_t> a, const std::vector<int16_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(PlaybackFeed, LeadInSilenceThenTheMusicInFullSegments)
{
    const auto music = NumberedFrames(20000);
    const auto file = Pcm16File(music, 2);
    PlaybackFeed feed;
    ASSERT_TRUE(feed.Open(file, 3000)) << feed.FailureText();
    EXPECT_EQ(feed.MusicFrames(), 20000u);
    const Drained d = Drain(feed);
    EXPECT_EQ(d.samples, Concat(Silence(3000), music));
    // 23,000 frames: three full segments of 7,644 and the 68 left over.
    EXPECT_EQ(d.segments, (std::vector<size_t>{7644, 7644, 7644, 68}));
    EXPECT_TRUE(feed.Ended());
    EXPECT_FALSE(feed.ReadFailed());
    EXPECT_FALSE(feed.Stretching());
}

TEST(PlaybackFeed, SkipResumesWithinOneSegmentBeforeTheStart)
{
    // 12 s of music behind a 1 s lead-in; a start at 10 s resumes just before 9 s into the music.
    const uint32_t leadIn = 44100;
    const auto music = NumberedFrames(12 * 44100);
    const auto file = Pcm16File(music, 2);
    for (uint32_t start : {0u, 100u, kSegmentFrames, kSegmentFrames + 1, 2 * kSegmentFrames + 1, 30000u, 441000u}) {
        SCOPED_TRACE(start);
        PlaybackFeed feed;
        ASSERT_TRUE(feed.Open(file, leadIn));
        const uint32_t skipped = feed.SkipTo(start);
        // Whole segments, and the last one before the start that leaves less than a segment to go.
        EXPECT_EQ(skipped % kSegmentFrames, 0u);
        EXPECT_LE(skipped, start);
        if (start > kSegmentFrames) {
            EXPECT_GE(skipped + kSegmentFrames, start);
            EXPECT_LT(skipped, start);
        } else {
            EXPECT_EQ(skipped, 0u);
        }
        // What comes next is exactly the timeline from the skipped frame on.
        std::vector<int16_t> segment(size_t(kSegmentFrames) * 2);
        ASSERT_EQ(feed.Next(segment, 0), kSegmentFrames);
        for (size_t i = 0; i < kSegmentFrames; ++i) {
            const uint64_t t = uint64_t(skipped) + i;
            const int16_t left = t < leadIn ? 0 : music[(t - leadIn) * 2];
            const int16_t right = t < leadIn ? 0 : music[(t - leadIn) * 2 + 1];
            ASSERT_EQ(segment[i * 2], left) << "frame " << i;
            ASSERT_EQ(segment[i * 2 + 1], right) << "frame " << i;
        }
    }
    PlaybackFeed feed;
    ASSERT_TRUE(feed.Open(file, leadIn));
    // 441,000 - 7,644 = 433,356 frames must be passed: 57 segments.
    EXPECT_EQ(feed.SkipTo(441000), 57 * kSegmentFrames);
}

TEST(PlaybackFeed, StartBeyondTheEndEndsAtOnce)
{
    const auto file = Pcm16File(NumberedFrames(10000), 2);
    PlaybackFeed feed;
    ASSERT_TRUE(feed.Open(file, 500));
    EXPECT_EQ(feed.SkipTo(1000000), 10500u);
    std::vector<int16_t> segment(size_t(kSegmentFrames) * 2);
    EXPECT_EQ(feed.Next(segment, 0), 0u);
    EXPECT_TRUE(feed.Ended());
}

TEST(PlaybackFeed, EightBitMonoAndOtherLayoutsBecomeSixteenBitStereo)
{
    // Unsigned 8-bit mono: the lead-in is the centre value and must come out as 0, not as the
    // most negative sample.
    {
        const std::vector<uint8_t> bytes = {0, 128, 255, 1, 200};
        const auto file = RiffWave({FmtChunk(1, 8), {"data", bytes}});
        PlaybackFeed feed;
        ASSERT_TRUE(feed.Open(file, 2));
        const Drained d = Drain(feed);
        EXPECT_EQ(d.samples, (std::vector<int16_t>{0, 0, 0, 0, -32768, -32768, 0, 0, 32512, 32512, -32512, -32512,
                                                    18432, 18432}));
    }
    // 16-bit mono is doubled onto both sides.
    {
        const auto file = Pcm16File({-5, 7, 32767}, 1);
        PlaybackFeed feed;
        ASSERT_TRUE(feed.Open(file, 0));
        EXPECT_EQ(Drain(feed).samples, (std::vector<int16_t>{-5, -5, 7, 7, 32767, 32767}));
    }
    // 8-bit stereo keeps its sides; three channels give their first two.
    {
        const auto file = RiffWave({FmtChunk(2, 8), {"data", {10, 250, 128, 0}}});
        PlaybackFeed feed;
        ASSERT_TRUE(feed.Open(file, 0));
        EXPECT_EQ(Drain(feed).samples, (std::vector<int16_t>{-30208, 31232, 0, -32768}));
    }
    {
        const auto file = Pcm16File({1, 2, 3, 4, 5, 6}, 3);
        PlaybackFeed feed;
        ASSERT_TRUE(feed.Open(file, 0));
        EXPECT_EQ(Drain(feed).samples, (std::vector<int16_t>{1, 2, 4, 5}));
    }
    // A trailing partial frame is not played.
    {
        auto data = Le16Bytes({1, 2, 3, 4});
        data.push_back(9);
        const auto file = RiffWave({FmtChunk(2, 16), {"data", data}});
        PlaybackFeed feed;
        ASSERT_TRUE(feed.Open(file, 0));
        EXPECT_EQ(Drain(feed).samples, (std::vector<int16_t>{1, 2, 3, 4}));
    }
}

TEST(PlaybackFeed, SlowerTempoLengthensTheMusicAndStaysStretchedAtNormalTempo)
{
    const size_t frames = 44100;
    const auto file = Pcm16File(StereoTone(frames), 2);
    PlaybackFeed feed;
    ASSERT_TRUE(feed.Open(file, 0));
    const Drained d = Drain(feed, -20);
    EXPECT_TRUE(feed.Stretching());
    EXPECT_TRUE(feed.Ended());
    // At 80 % the second of music lasts 1.25 s (the library rounds to its own blocks).
    const double length = double(d.samples.size() / 2);
    EXPECT_NEAR(length, frames / 0.8, frames / 0.8 * 0.02);
    // Every segment but the last is full, so the sound card never plays stale bytes.
    for (size_t i = 0; i + 1 < d.segments.size(); ++i) EXPECT_EQ(d.segments[i], kSegmentFrames) << i;
    // The stretched music is still the tone, not silence.
    int16_t peak = 0;
    for (int16_t s : d.samples) peak = std::max<int16_t>(peak, int16_t(std::abs(s)));
    EXPECT_GT(peak, 8000);

    // A change back to normal tempo keeps the stretcher in the path: it still holds music.
    PlaybackFeed again;
    ASSERT_TRUE(again.Open(file, 0));
    std::vector<int16_t> segment(size_t(kSegmentFrames) * 2);
    ASSERT_EQ(again.Next(segment, 0), kSegmentFrames);
    EXPECT_FALSE(again.Stretching());
    ASSERT_EQ(again.Next(segment, -50), kSegmentFrames);
    EXPECT_TRUE(again.Stretching());
    const Drained rest = Drain(again, 0);
    EXPECT_TRUE(again.Stretching());
    // Nothing the stretcher held is lost: all the music comes out, plus the time added while
    // the half tempo lasted (the library takes in a segment or two before its first output).
    const double total = 2.0 * kSegmentFrames + double(rest.samples.size() / 2);
    EXPECT_GE(total, frames + kSegmentFrames / 2.0);
    EXPECT_LE(total, frames + 3.0 * kSegmentFrames);
}

TEST(PlaybackFeed, TempoBeyondTheRangeIsHeldToIt)
{
    const auto file = Pcm16File(StereoTone(22050), 2);
    PlaybackFeed feed;
    ASSERT_TRUE(feed.Open(file, 0));
    // -100 would ask the library for an endless stretch; -50 is the slowest there is.
    const Drained d = Drain(feed, -100);
    EXPECT_NEAR(double(d.samples.size() / 2), 44100.0, 44100.0 * 0.03);
    PlaybackFeed fast;
    ASSERT_TRUE(fast.Open(file, 0));
    // Faster than normal is not offered: +30 plays at normal tempo, unstretched.
    EXPECT_EQ(Drain(fast, 30).samples.size() / 2, 22050u);
    EXPECT_FALSE(fast.Stretching());
}

TEST(PlaybackFeed, RefusesWhatItCannotPlayAndSaysWhy)
{
    PlaybackFeed feed;
    const auto at48k = RiffWave({FmtChunk(2, 16, 48000), {"data", Le16Bytes({1, 2})}});
    EXPECT_FALSE(feed.Open(at48k, 0));
    EXPECT_NE(feed.FailureText().find("48000 Hz"), std::string::npos) << feed.FailureText();
    EXPECT_FALSE(feed.IsOpen());

    const std::vector<uint8_t> garbage = {'R', 'I', 'F', 'F', 1, 2, 3};
    EXPECT_FALSE(feed.Open(garbage, 0));
    EXPECT_NE(feed.FailureText().find("corrupt or not a WAV file"), std::string::npos) << feed.FailureText();

    TempDir dir;
    const std::string missing = dir.File("gone.wav");
    EXPECT_FALSE(feed.Open(missing, 0));
    EXPECT_NE(feed.FailureText().find(missing), std::string::npos) << feed.FailureText();

    const auto floats = RiffWave({{"fmt ", FormatBody(3, 2, 44100, 32)}, {"data", std::vector<uint8_t>(16)}});
    EXPECT_FALSE(feed.Open(floats, 0));
    EXPECT_NE(feed.FailureText().find("floating-point"), std::string::npos) << feed.FailureText();
}
