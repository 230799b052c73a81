#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "PlaybackFixtures.h"
#include "WavBytes.h"
#include "audio/AudioOutputChoice.h"
#include "audio/ManualResetEvent.h"
#include "audio/PlaybackFeed.h"
#include "audio/PlaybackTexts.h"
#include "audio/PortAudioOutput.h"
#include "player/KaraokePlayer.h"
#include "player/CdgPacketScheduler.h"
#include "player/CdgScreen.h"
#include "support/PromptRecorder.h"
#include "support/ScopedEnv.h"
#include "support/SteppedPlayback.h"
#include "support/TempDir.h"

namespace {

std::string WriteWav(const TempDir& dir, const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = dir.File(name);
    WriteFileBytes(path, bytes);
    return path;
}

} // namespace

TEST(KaraokePlayer, ClockRuleMovesByTheMusicThatWasConsumed)
{
    uint32_t remainder = 0;
    EXPECT_EQ(KaraokePlayer::AdvanceClock(1000, 44100, -20, remainder), 1000u + 35280u);
    EXPECT_EQ(remainder, 0u);
    // Many small steps, each with a fraction, add up to exactly the same.
    uint32_t position = 0;
    remainder = 0;
    for (int i = 0; i < 100; ++i) position = KaraokePlayer::AdvanceClock(position, 441, -20, remainder);
    EXPECT_EQ(position, 35280u);
    for (int i = 0; i < 7; ++i) position = KaraokePlayer::AdvanceClock(position, 3, -33, remainder);
    EXPECT_EQ(position, 35280u + 14u); // 21 x 0.67 = 14.07
    remainder = 0;
    EXPECT_EQ(KaraokePlayer::AdvanceClock(5, 44100, 0, remainder), 44105u);
    EXPECT_EQ(KaraokePlayer::AdvanceClock(0, 44101, -50, remainder), 22050u);
    EXPECT_EQ(remainder, 50u);
    EXPECT_EQ(KaraokePlayer::AdvanceClock(0xFFFFFF00u, 44100, 0, remainder), 0xFFFFFFFFu);
}

TEST(KaraokePlayer, TheClockStandsAtTheMusicHeardAndEndsAtTheMusicsEnd)
{
    TempDir dir;
    const std::string path = WriteWav(dir, "tone.wav", Pcm16File(StereoTone(3 * 44100), 2));
    SteppedPlayback playback;
    KaraokePlayer player(nullptr, nullptr);
    player.SetOutputFactory(playback.Factory());
    ManualResetEvent done;
    player.SetDoneEvent(&done);
    player.SetSource(path, {});
    ASSERT_TRUE(player.Start(kPlayAudio | kPlayCallerFlag, 0));
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_EQ(player.State(), KaraokePlayer::kPlaying);
    EXPECT_EQ(player.TotalFrames(), 132300u);
    EXPECT_EQ(player.TotalTimeText(), "00:03");
    EXPECT_FALSE(player.Start(kPlayAudio, 0)) << "a second start while playing";
    EXPECT_EQ(player.LastStartFailure(), KaraokePlayer::StartFailure::AlreadyPlaying);

    // A quarter of a second at a time: the clock is exactly the music heard, never ahead of it.
    for (uint32_t heard = 11025; heard < 132300; heard += 11025) {
        ASSERT_EQ(playback.Play(player, 11025), 11025u);
        ASSERT_TRUE(player.IsPlaying()) << heard;
        ASSERT_EQ(player.Position(), heard);
    }
    EXPECT_FALSE(done.IsSet());
    playback.PlayToEnd(player);
    ASSERT_TRUE(done.WaitFor(std::chrono::minutes(1)));
    EXPECT_EQ(player.Position(), 132300u);
    EXPECT_FALSE(player.IsPlaying());
    player.Stop();
    EXPECT_EQ(player.Position(), 132300u);
    ASSERT_NE(player.Output(), nullptr);
    EXPECT_EQ(player.Output()->PlayedFrames(), 132300u);
    player.Release();
    EXPECT_EQ(player.Output(), nullptr);
}

TEST(KaraokePlayer, AStartInTheMiddlePlaysTheLeadInThenTheMusicFromTheSkippedFrame)
{
    TempDir dir;
    const auto music = NumberedFrames(22050);
    const std::string path = WriteWav(dir, "numbers.wav", Pcm16File(music, 2));
    const uint32_t leadIn = 11025;
    const auto playFrom = [&](uint32_t startFrame, uint32_t position) {
        SteppedPlayback playback;
        KaraokePlayer player(nullptr, nullptr);
        player.SetOutputFactory(playback.Factory());
        player.SetSource(path, {});
        player.SetLeadInFrames(leadIn);
        player.SetPosition(position);
        EXPECT_TRUE(player.Start(kPlayAudio, startFrame));
        playback.PlayToEnd(player);
        player.Stop();
        EXPECT_EQ(player.Position(), leadIn + 22050u);
        return playback.Samples();
    };
    // Inside the music: 20,000 - 7,644 = 12,356 frames must pass, two segments (15,288).
    EXPECT_EQ(playFrom(20000, 999999), std::vector<int16_t>(music.begin() + (15288 - leadIn) * 2, music.end()));
    // Inside the lead-in: one segment is passed, the rest of the silence comes first.
    std::vector<int16_t> expected((leadIn - kSegmentFrames) * 2, 0);
    expected.insert(expected.end(), music.begin(), music.end());
    EXPECT_EQ(playFrom(9000, 0), expected);
}

TEST(KaraokePlayer, StopInTheMiddleEndsEveryThreadAndKeepsThePosition)
{
    TempDir dir;
    const std::string path = WriteWav(dir, "tone.wav", Pcm16File(StereoTone(2 * 44100), 2));
    CdgScreen renderer;
    std::vector<uint8_t> stream(2 * 300 * 24, 0);
    SteppedPlayback playback;
    KaraokePlayer player(nullptr, &renderer);
    player.SetOutputFactory(playback.Factory());
    ManualResetEvent done;
    player.SetDoneEvent(&done);
    player.SetSource(path, stream);
    player.SetTempoChange(-10);
    ASSERT_TRUE(player.Start(kPlayAudio | kPlayGraphics | kPlayCallerFlag, 0));
    ASSERT_EQ(playback.Play(player, 13230), 13230u);
    ASSERT_NE(player.CdgPlayer(), nullptr);
    EXPECT_TRUE(player.CdgPlayer()->IsRunning());
    // Nothing more is heard while the test does not step, so a Stop that waited for the queued
    // music to play out would never return.
    player.Stop();
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_FALSE(player.CdgPlayer()->IsRunning());
    EXPECT_TRUE(done.IsSet());
    const uint32_t kept = player.Position();
    EXPECT_EQ(kept, 11907u); // 0.3 s heard at 90 %
    // Stopped means stopped: the output takes nothing more, and a second Stop does nothing.
    EXPECT_EQ(playback.Current()->Advance(4410), 0u);
    player.Stop();
    EXPECT_EQ(player.Position(), kept);
    player.Release();
    EXPECT_EQ(player.CdgPlayer(), nullptr);

    // The view resumes where it paused.
    done.Reset();
    ASSERT_TRUE(player.Start(kPlayAudio, kept, kept + 4410));
    playback.PlayToEnd(player);
    EXPECT_TRUE(done.WaitFor(std::chrono::minutes(1)));
    EXPECT_EQ(player.Position(), kept + 4410);
}

TEST(KaraokePlayer, ASlowerTempoTakesMoreMusicAndTheClockKeepsSongTime)
{
    TempDir dir;
    const std::string path = WriteWav(dir, "tone.wav", Pcm16File(StereoTone(44100), 2));
    SteppedPlayback playback;
    KaraokePlayer player(nullptr, nullptr);
    player.SetOutputFactory(playback.Factory());
    ManualResetEvent done;
    player.SetDoneEvent(&done);
    player.SetSource(path, {});
    player.SetTempoChange(-20);
    EXPECT_EQ(player.TempoChange(), -20);
    ASSERT_TRUE(player.Start(kPlayAudio, 0));
    // 0.6 s heard at 80 % is 0.48 s of the song.
    ASSERT_EQ(playback.Play(player, 26460), 26460u);
    EXPECT_EQ(player.Position(), 21168u);
    playback.PlayToEnd(player);
    EXPECT_TRUE(done.WaitFor(std::chrono::minutes(1)));
    player.Stop();
    EXPECT_EQ(player.Position(), 44100u);
    // One second of music lasts 1.25 s.
    EXPECT_NEAR(double(playback.Frames()), 44100 / 0.8, 44100 * 0.03);
}

TEST(KaraokePlayer, EightBitMonoWorkFilesPlay)
{
    TempDir dir;
    std::vector<uint8_t> bytes(22050);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(128 + int(100 * std::sin(double(i) * 0.05)));
    const std::string path = WriteWav(dir, "mono8.wav", RiffWave({FmtChunk(1, 8), {"data", bytes}}));
    SteppedPlayback playback;
    KaraokePlayer player(nullptr, nullptr);
    player.SetOutputFactory(playback.Factory());
    player.SetSource(path, {});
    ASSERT_TRUE(player.Start(kPlayAudio, 0));
    EXPECT_EQ(player.TotalFrames(), 22050u);
    playback.PlayToEnd(player);
    player.Stop();
    EXPECT_EQ(player.Position(), 22050u);
    const auto samples = playback.Samples();
    ASSERT_EQ(samples.size(), 2 * bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const int16_t expected = int16_t((int(bytes[i]) - 128) * 256);
        ASSERT_EQ(samples[2 * i], expected) << i;
        ASSERT_EQ(samples[2 * i + 1], expected) << i;
    }
}

TEST(KaraokePlayer, TheEndFrameStopsTheClockThereAndRaisesTheDoneEvent)
{
    TempDir dir;
    const std::string path = WriteWav(dir, "tone.wav", Pcm16File(StereoTone(44100), 2));
    SteppedPlayback playback;
    KaraokePlayer player(nullptr, nullptr);
    player.SetOutputFactory(playback.Factory());
    ManualResetEvent done;
    player.SetDoneEvent(&done);
    player.SetSource(path, {});
    ASSERT_TRUE(player.Start(kPlayAudio, 0, 13230));
    playback.Play(player, 13000);
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_FALSE(done.IsSet());
    EXPECT_EQ(player.Position(), 13000u);
    playback.Play(player, 1000);
    EXPECT_TRUE(done.WaitFor(std::chrono::minutes(1)));
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(player.Position(), 13230u);
    player.Stop();
    player.Release();
}

TEST(KaraokePlayer, WithoutASoundDeviceTheUserIsToldAndNothingStarts)
{
    TempDir dir;
    const std::string path = WriteWav(dir, "tone.wav", Pcm16File(StereoTone(4410), 2));
    ScopedEnv output(kAudioOutputVariable, std::nullopt);
    ScopedEnv device(kAudioDeviceVariable, "No Such Card 4711");
    PromptRecorder prompt;
    KaraokePlayer player(&prompt, nullptr);
    ManualResetEvent done;
    player.SetDoneEvent(&done);
    player.SetSource(path, {});
    EXPECT_FALSE(player.Start(kPlayAudio | kPlayGraphics | kPlayCallerFlag, 0));
    ASSERT_EQ(prompt.entries.size(), 1u);
    EXPECT_EQ(prompt.entries[0].text,
              "An audio sound card is not installed in this computer.\n"
              "You will not be able to hear the audio when you play Karaoke CDG or Audio CD files.");
    EXPECT_EQ(prompt.entries[0].caption, "Sound Device Not Detected");
    EXPECT_EQ(prompt.entries[0].icon, PromptIcon::Warning);
    EXPECT_FALSE(prompt.entries[0].question);
    EXPECT_EQ(player.LastStartFailure(), KaraokePlayer::StartFailure::NoSoundDevice);
    EXPECT_EQ(player.State(), KaraokePlayer::kStopped);
    EXPECT_NE(player.FailureText().find("No Such Card 4711"), std::string::npos);
    player.Stop();
    EXPECT_FALSE(done.IsSet());

    // Graphics alone need no sound card: they follow the clock of the device-less output, in
    // real time.
    ASSERT_TRUE(player.Start(kPlayGraphics, 0));
    ASSERT_TRUE(done.WaitFor(std::chrono::seconds(60)));
    EXPECT_EQ(player.Position(), 4410u);
    EXPECT_EQ(prompt.entries.size(), 1u);
}

TEST(KaraokePlayer, MusicThatCannotBePlayedIsReportedBeforeAnythingStarts)
{
    TempDir dir;
    PromptRecorder prompt;
    KaraokePlayer player(&prompt, nullptr);
    EXPECT_FALSE(player.Start(kPlayAudio, 0));
    EXPECT_EQ(player.LastStartFailure(), KaraokePlayer::StartFailure::NoMusic);
    const std::string missing = dir.File("missing.wav");
    player.SetSource(missing, {});
    EXPECT_FALSE(player.Start(kPlayAudio, 0));
    EXPECT_EQ(player.LastStartFailure(), KaraokePlayer::StartFailure::MusicUnplayable);
    const std::string at22k = WriteWav(dir, "22k.wav", RiffWave({FmtChunk(2, 16, 22050), {"data", Le16Bytes({1, 2})}}));
    player.SetSource(at22k, {});
    EXPECT_FALSE(player.Start(kPlayAudio, 0));
    ASSERT_EQ(prompt.entries.size(), 3u);
    EXPECT_EQ(prompt.entries[0].text, kMsgNoMusic);
    EXPECT_NE(prompt.entries[1].text.find(missing), std::string::npos) << prompt.entries[1].text;
    EXPECT_NE(prompt.entries[2].text.find("22050 Hz"), std::string::npos) << prompt.entries[2].text;
    EXPECT_EQ(player.State(), KaraokePlayer::kStopped);
    EXPECT_EQ(player.Output(), nullptr);
}

TEST(KaraokePlayer, TheGlobalPlayerAnswersWhetherItPlays)
{
    TempDir dir;
    const std::string path = WriteWav(dir, "tone.wav", Pcm16File(StereoTone(44100), 2));
    EXPECT_FALSE(GlobalPlayerIsPlaying());
    KaraokePlayer& player = CreateGlobalPlayer(nullptr, nullptr);
    EXPECT_EQ(GlobalPlayer(), &player);
    player.SetSource(path, {});
    ASSERT_TRUE(player.Start(kPlayAudio, 0));
    EXPECT_TRUE(GlobalPlayerIsPlaying());
    // A new global player replaces the playing one, which stops.
    KaraokePlayer& next = CreateGlobalPlayer(nullptr, nullptr);
    EXPECT_EQ(GlobalPlayer(), &next);
    EXPECT_FALSE(GlobalPlayerIsPlaying());
    DestroyGlobalPlayer();
    EXPECT_EQ(GlobalPlayer(), nullptr);
}

// A key press is stamped with PositionNow: between the clock's updates it counts what has been
// heard since the last one, at the tempo, instead of standing still.
TEST(KaraokePlayer, PositionNowCountsTheMusicHeardSinceTheLastUpdate)
{
    TempDir dir;
    const std::string path = WriteWav(dir, "tone.wav", Pcm16File(StereoTone(2 * 44100), 2));
    for (const int tempo : {0, -30}) {
        SteppedPlayback playback;
        KaraokePlayer player(nullptr, nullptr);
        player.SetOutputFactory(playback.Factory());
        player.SetSource(path, {});
        player.SetTempoChange(tempo);
        EXPECT_EQ(player.PositionNow(), 0u) << "stopped: the plain clock";
        ASSERT_TRUE(player.Start(kPlayAudio | kPlayCallerFlag, 0));
        uint64_t heard = playback.Play(player, 4410);
        const auto songTime = [&] {
            uint32_t remainder = 0;
            return KaraokePlayer::AdvanceClock(0, heard, tempo, remainder);
        };
        ASSERT_EQ(player.Position(), songTime()) << "tempo " << tempo;
        for (int step = 0; step < 20; ++step) {
            // Read at once after the frames are heard, before the clock's next update: the
            // plain clock still stands where it was, PositionNow has moved on (a frame of
            // rounding apart from the clock's own sum).
            heard += playback.Current()->Advance(441);
            EXPECT_NEAR(double(player.PositionNow()), double(songTime()), 1.0) << "tempo " << tempo << ", step " << step;
        }
        playback.Play(player, 0);
        EXPECT_EQ(player.Position(), songTime()) << "tempo " << tempo;
        player.Stop();
        EXPECT_EQ(player.PositionNow(), player.Position()) << "stopped again";
    }
}
