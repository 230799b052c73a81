// The document's waveform peaks follow the music as the song plays it: loaded, lengthened,
// replaced, cleared.
#include <gtest/gtest.h>

#include <vector>

#include "audio/WavOutFile.h"
#include "document/SongDocument.h"
#include "project/KaraokeSong.h"
#include "support/PromptRecorder.h"
#include "support/TempDir.h"
#include "waveform/WaveformPeaks.h"

namespace {

std::string WriteTone(const TempDir& dir, const std::string& name, int16_t level, size_t frames)
{
    std::vector<int16_t> samples(frames * 2, level);
    const std::string path = dir.File(name);
    WavOutFile wav;
    EXPECT_TRUE(wav.Create(path, 44100, 16, 2));
    EXPECT_TRUE(wav.Write(samples));
    EXPECT_TRUE(wav.Close());
    return path;
}

} // namespace

TEST(SongDocumentPeaks, FollowTheMusicItsLengthAndItsReplacement)
{
    TempDir dir;
    PromptRecorder prompt;
    SongDocument doc(&prompt);
    std::string why;
    EXPECT_TRUE(doc.MusicPeaks(&why).Empty());
    EXPECT_FALSE(why.empty());

    ASSERT_TRUE(doc.LoadMusic(WriteTone(dir, "one.wav", 1000, 10000)));
    const WaveformPeaks& peaks = doc.MusicPeaks();
    EXPECT_EQ(peaks.Frames(), 10000u);
    EXPECT_EQ(peaks.Range(0, 10000).high, 1000);

    // Other music of the same length at the same path: read again.
    WriteTone(dir, "one.wav", 3000, 10000);
    ASSERT_TRUE(doc.LoadMusic(dir.File("one.wav")));
    EXPECT_EQ(doc.MusicPeaks().Frames(), 10000u);
    EXPECT_EQ(doc.MusicPeaks().Range(0, 10000).high, 3000);

    doc.ClearMusic();
    EXPECT_TRUE(doc.MusicPeaks().Empty());
}
