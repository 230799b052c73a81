#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "PlaybackFixtures.h"
#include "WavBytes.h"
#include "audio/AudioOutputChoice.h"
#include "audio/ManualResetEvent.h"
#include "audio/PlaybackFeed.h"
#include "audio/PlaybackTexts.h"
#include "audio/PortAudioOutput.h"
#include "player/MCdgPlayer.h"
#include "player/MRwPlayer.h"
#include "player/MRwRenderer.h"
#include "support/PromptRecorder.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string WriteWav(const TempDir& dir, const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = dir.File(name);
    WriteFileBytes(path, bytes);
    return path;
}

// Samples the clock until playback ends; returns the values seen, in order.
std::vector<uint32_t> WatchClock(const MCdgPlayer& player, const ManualResetEvent& done, double timeout)
{
    std::vector<uint32_t> seen;
    const auto begun = Clock::now();
    while (!done.IsSet() && Seconds(begun) < timeout) {
        seen.push_back(player.Position());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return seen;
}

} // namespace

TEST(MCdgPlayer, ClockRuleMovesByTheMusicThatWasConsumed)
{
    uint32_t remainder = 0;
    EXPECT_EQ(MCdgPlayer::AdvanceClock(1000, 44100, -20, remainder), 1000u + 35280u);
    EXPECT_EQ(remainder, 0u);
    // Many small steps, each with a fraction, add up to exactly the same.
    uint32_t position = 0;
    remainder = 0;
    for (int i = 0; i < 100; ++i) position = MCdgPlayer::AdvanceClock(position, 441, -20, remainder);
    EXPECT_EQ(position, 35280u);
    for (int i = 0; i < 7; ++i) position = MCdgPlayer::AdvanceClock(position, 3, -33, remainder);
    EXPECT_EQ(position, 35280u + 14u); // 21 x 0.67 = 14.07
    remainder = 0;
    EXPECT_EQ(MCdgPlayer::AdvanceClock(5, 44100, 0, remainder), 44105u);
    EXPECT_EQ(MCdgPlayer::AdvanceClock(0, 44101, -50, remainder), 22050u);
    EXPECT_EQ(remainder, 50u);
    EXPECT_EQ(MCdgPlayer::AdvanceClock(0xFFFFFF00u, 44100, 0, remainder), 0xFFFFFFFFu);
}

TEST(MCdgPlayer, AThreeSecondTonePlaysInThreeSecondsWithARisingClock)
{
    TempDir dir;
    const std::string path = WriteWav(dir, "tone.wav", Pcm16File(StereoTone(3 * 44100), 2));
    MCdgPlayer player(nullptr, nullptr);
    ManualResetEvent done;
    player.SetDoneEvent(&done);
    player.SetSource(path, {});
    const auto begun = Clock::now();
    ASSERT_TRUE(player.Start(kPlayAudio | kPlayCallerFlag, 0));
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_EQ(player.State(), MCdgPlayer::kPlaying);
    EXPECT_EQ(player.TotalFrames(), 132300u);
    EXPECT_EQ(player.TotalTimeText(), "00:03");
    EXPECT_FALSE(player.Start(kPlayAudio, 0)) << "a second start while playing";
    EXPECT_EQ(player.LastStartFailure(), MCdgPlayer::StartFailure::AlreadyPlaying);

    const auto seen = WatchClock(player, done, 6.0);
    ASSERT_TRUE(done.WaitFor(std::chrono::milliseconds(100)));
    const double took = Seconds(begun);
    EXPECT_GT(took, 2.95);
    EXPECT_LT(took, 3.6);
    ASSERT_GT(seen.size(), 100u);
    for (size_t i = 1; i < seen.size(); ++i) ASSERT_LE(seen[i - 1], seen[i]) << "at sample " << i;
    // Halfway through, the clock says halfway.
    EXPECT_NEAR(double(seen[seen.size() / 2]) / 44100.0, 1.5, 0.2);
    EXPECT_EQ(player.Position(), 132300u);
    EXPECT_FALSE(player.IsPlaying());
    player.Stop();
    EXPECT_EQ(player.Position(), 132300u);
    ASSERT_NE(player.Output(), nullptr);
    EXPECT_EQ(player.Output()->PlayedFrames(), 132300u);
    player.Release();
    EXPECT_EQ(player.Output(), nullptr);
}

TEST(MCdgPlayer, AStartInTheMiddlePlaysTheLeadInThenTheMusicFromTheSkippedFrame)
{
    TempDir dir;
    const auto music = NumberedFrames(22050);
    const std::string path = WriteWav(dir, "numbers.wav", Pcm16File(music, 2));
    const uint32_t leadIn = 11025;

    // Inside the music: 20,000 - 7,644 = 12,356 frames must pass, two segments (15,288).
    {
        PlayedMusic heard;
        MCdgPlayer player(nullptr, nullptr);
        player.SetOutputFactory(heard.Factory());
        player.SetSource(path, {});
        player.SetLeadInFrames(leadIn);
        player.SetPosition(999999);
        ManualResetEvent done;
        player.SetDoneEvent(&done);
        ASSERT_TRUE(player.Start(kPlayAudio, 20000));
        ASSERT_TRUE(done.WaitFor(std::chrono::seconds(3)));
        player.Stop();
        const auto samples = heard.Samples();
        const std::vector<int16_t> expected(music.begin() + (15288 - leadIn) * 2, music.end());
        EXPECT_EQ(samples, expected);
        EXPECT_EQ(player.Position(), leadIn + 22050u);
    }
    // Inside the lead-in: one segment is passed, the rest of the silence comes first.
    {
        PlayedMusic heard;
        MCdgPlayer player(nullptr, nullptr);
        player.SetOutputFactory(heard.Factory());
        player.SetSource(path, {});
        player.SetLeadInFrames(leadIn);
        ManualResetEvent done;
        player.SetDoneEvent(&done);
        ASSERT_TRUE(player.Start(kPlayAudio, 9000));
        ASSERT_TRUE(done.WaitFor(std::chrono::seconds(3)));
        player.Stop();
        std::vector<int16_t> expected((leadIn - kSegmentFrames) * 2, 0);
        expected.insert(expected.end(), music.begin(), music.end());
        EXPECT_EQ(heard.Samples(), expected);
    }
}

TEST(MCdgPlayer, StopInTheMiddleEndsEveryThreadQuicklyAndKeepsThePosition)
{
    TempDir dir;
    const std::string path = WriteWav(dir, "tone.wav", Pcm16File(StereoTone(2 * 44100), 2));
    MRwRenderer renderer;
    std::vector<uint8_t> stream(2 * 300 * 24, 0);
    MCdgPlayer player(nullptr, &renderer);
    ManualResetEvent done;
    player.SetDoneEvent(&done);
    player.SetSource(path, stream);
    player.SetTempoChange(-10);
    ASSERT_TRUE(player.Start(kPlayAudio | kPlayGraphics | kPlayCallerFlag, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_NE(player.CdgPlayer(), nullptr);
    EXPECT_TRUE(player.CdgPlayer()->IsRunning());
    const auto before = Clock::now();
    player.Stop();
    EXPECT_LT(Seconds(before), 0.1);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_FALSE(player.CdgPlayer()->IsRunning());
    EXPECT_TRUE(done.IsSet());
    const uint32_t kept = player.Position();
    EXPECT_GT(kept, 0.15 * 44100);
    EXPECT_LT(kept, 0.6 * 44100);
    // Stopped means stopped: the clock stays where it was and a second Stop does nothing.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    player.Stop();
    EXPECT_EQ(player.Position(), kept);
    player.Release();
    EXPECT_EQ(player.CdgPlayer(), nullptr);

    // The view resumes where it paused.
    done.Reset();
    ASSERT_TRUE(player.Start(kPlayAudio, kept, kept + 4410));
    ASSERT_TRUE(done.WaitFor(std::chrono::seconds(2)));
    EXPECT_EQ(player.Position(), kept + 4410);
}

TEST(MCdgPlayer, ASlowerTempoTakesLongerAndTheClockKeepsSongTime)
{
    TempDir dir;
    const std::string path = WriteWav(dir, "tone.wav", Pcm16File(StereoTone(44100), 2));
    PlayedMusic heard;
    MCdgPlayer player(nullptr, nullptr);
    player.SetOutputFactory(heard.Factory());
    ManualResetEvent done;
    player.SetDoneEvent(&done);
    player.SetSource(path, {});
    player.SetTempoChange(-20);
    EXPECT_EQ(player.TempoChange(), -20);
    const auto begun = Clock::now();
    ASSERT_TRUE(player.Start(kPlayAudio, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    // After 0.6 s at 80 % the song stands at about 0.48 s.
    const double songAt = double(player.Position()) / 44100.0;
    const double wallAt = Seconds(begun);
    EXPECT_NEAR(songAt, 0.8 * wallAt, 0.06);
    ASSERT_TRUE(done.WaitFor(std::chrono::seconds(3)));
    const double took = Seconds(begun);
    EXPECT_GT(took, 1.2);
    EXPECT_LT(took, 1.6);
    player.Stop();
    EXPECT_EQ(player.Position(), 44100u);
    EXPECT_NEAR(double(heard.Frames()), 44100 / 0.8, 44100 * 0.03);
}

TEST(MCdgPlayer, EightBitMonoWorkFilesPlay)
{
    TempDir dir;
    std::vector<uint8_t> bytes(22050);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(128 + int(100 * std::sin(double(i) * 0.05)));
    const std::string path = WriteWav(dir, "mono8.wav", RiffWave({FmtChunk(1, 8), {"data", bytes}}));
    PlayedMusic heard;
    MCdgPlayer player(nullptr, nullptr);
    player.SetOutputFactory(heard.Factory());
    ManualResetEvent done;
    player.SetDoneEvent(&done);
    player.SetSource(path, {});
    ASSERT_TRUE(player.Start(kPlayAudio, 0));
    EXPECT_EQ(player.TotalFrames(), 22050u);
    ASSERT_TRUE(done.WaitFor(std::chrono::seconds(2)));
    player.Stop();
    EXPECT_EQ(player.Position(), 22050u);
    const auto samples = heard.Samples();
    ASSERT_EQ(samples.size(), 2 * bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const int16_t expected = int16_t((int(bytes[i]) - 128) * 256);
        ASSERT_EQ(samples[2 * i], expected) << i;
        ASSERT_EQ(samples[2 * i + 1], expected) << i;
    }
}

TEST(MCdgPlayer, TheEndFrameStopsTheClockThereAndRaisesTheDoneEvent)
{
    TempDir dir;
    const std::string path = WriteWav(dir, "tone.wav", Pcm16File(StereoTone(44100), 2));
    MCdgPlayer player(nullptr, nullptr);
    ManualResetEvent done;
    player.SetDoneEvent(&done);
    player.SetSource(path, {});
    const auto begun = Clock::now();
    ASSERT_TRUE(player.Start(kPlayAudio, 0, 13230));
    ASSERT_TRUE(done.WaitFor(std::chrono::seconds(2)));
    EXPECT_NEAR(Seconds(begun), 0.3, 0.15);
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(player.Position(), 13230u);
    player.Stop();
    player.Release();
}

TEST(MCdgPlayer, WithoutASoundDeviceTheUserIsToldAndNothingStarts)
{
    TempDir dir;
    const std::string path = WriteWav(dir, "tone.wav", Pcm16File(StereoTone(4410), 2));
    ScopedEnv output(kAudioOutputVariable, std::nullopt);
    ScopedEnv device(kAudioDeviceVariable, "No Such Card 4711");
    PromptRecorder prompt;
    MCdgPlayer player(&prompt, nullptr);
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
    EXPECT_EQ(player.LastStartFailure(), MCdgPlayer::StartFailure::NoSoundDevice);
    EXPECT_EQ(player.State(), MCdgPlayer::kStopped);
    EXPECT_NE(player.FailureText().find("No Such Card 4711"), std::string::npos);
    const auto before = Clock::now();
    player.Stop();
    EXPECT_LT(Seconds(before), 0.01);
    EXPECT_FALSE(done.IsSet());

    // Graphics alone need no sound card: they follow the music's clock without sound.
    ASSERT_TRUE(player.Start(kPlayGraphics, 0));
    ASSERT_TRUE(done.WaitFor(std::chrono::seconds(2)));
    EXPECT_EQ(player.Position(), 4410u);
    EXPECT_EQ(prompt.entries.size(), 1u);
}

TEST(MCdgPlayer, MusicThatCannotBePlayedIsReportedBeforeAnythingStarts)
{
    TempDir dir;
    PromptRecorder prompt;
    MCdgPlayer player(&prompt, nullptr);
    EXPECT_FALSE(player.Start(kPlayAudio, 0));
    EXPECT_EQ(player.LastStartFailure(), MCdgPlayer::StartFailure::NoMusic);
    const std::string missing = dir.File("missing.wav");
    player.SetSource(missing, {});
    EXPECT_FALSE(player.Start(kPlayAudio, 0));
    EXPECT_EQ(player.LastStartFailure(), MCdgPlayer::StartFailure::MusicUnplayable);
    const std::string at22k = WriteWav(dir, "22k.wav", RiffWave({FmtChunk(2, 16, 22050), {"data", Le16Bytes({1, 2})}}));
    player.SetSource(at22k, {});
    EXPECT_FALSE(player.Start(kPlayAudio, 0));
    ASSERT_EQ(prompt.entries.size(), 3u);
    EXPECT_EQ(prompt.entries[0].text, kMsgNoMusic);
    EXPECT_NE(prompt.entries[1].text.find(missing), std::string::npos) << prompt.entries[1].text;
    EXPECT_NE(prompt.entries[2].text.find("22050 Hz"), std::string::npos) << prompt.entries[2].text;
    EXPECT_EQ(player.State(), MCdgPlayer::kStopped);
    EXPECT_EQ(player.Output(), nullptr);
}

TEST(MCdgPlayer, TheGlobalPlayerAnswersWhetherItPlays)
{
    TempDir dir;
    const std::string path = WriteWav(dir, "tone.wav", Pcm16File(StereoTone(44100), 2));
    EXPECT_FALSE(GlobalPlayerIsPlaying());
    MCdgPlayer& player = CreateGlobalPlayer(nullptr, nullptr);
    EXPECT_EQ(GlobalPlayer(), &player);
    player.SetSource(path, {});
    ASSERT_TRUE(player.Start(kPlayAudio, 0));
    EXPECT_TRUE(GlobalPlayerIsPlaying());
    // A new global player replaces the playing one, which stops.
    MCdgPlayer& next = CreateGlobalPlayer(nullptr, nullptr);
    EXPECT_EQ(GlobalPlayer(), &next);
    EXPECT_FALSE(GlobalPlayerIsPlaying());
    DestroyGlobalPlayer();
    EXPECT_EQ(GlobalPlayer(), nullptr);
}

// A key press is stamped with PositionNow: between the clock's updates it keeps running with
// the wall clock instead of standing still, and at 70 % it runs at 70 %.
TEST(MCdgPlayer, PositionNowRunsWithTheWallClockBetweenUpdates)
{
    TempDir dir;
    const std::string path = WriteWav(dir, "tone.wav", Pcm16File(StereoTone(2 * 44100), 2));
    for (const int tempo : {0, -30}) {
        MCdgPlayer player(nullptr, nullptr);
        ManualResetEvent done;
        player.SetDoneEvent(&done);
        player.SetSource(path, {});
        player.SetTempoChange(tempo);
        EXPECT_EQ(player.PositionNow(), 0u) << "stopped: the plain clock";
        ASSERT_TRUE(player.Start(kPlayAudio | kPlayCallerFlag, 0));
        while (player.Position() < 4410 && !done.IsSet()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        // Readings 1 ms apart: each step of PositionNow matches the wall time between readings;
        // the plain clock moves in steps of its update period.
        const double speed = (100.0 + tempo) / 100.0;
        const auto first = Clock::now();
        const uint32_t firstNow = player.PositionNow();
        std::vector<double> errorsMs;
        size_t plainRepeats = 0;
        uint32_t lastPlain = player.Position();
        for (int i = 0; i < 400 && !done.IsSet(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const uint32_t now = player.PositionNow();
            const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - first).count();
            errorsMs.push_back((double(now) - double(firstNow)) / 44.1 / speed - wallMs);
            const uint32_t plain = player.Position();
            if (plain == lastPlain) ++plainRepeats;
            lastPlain = plain;
        }
        player.Stop();
        ASSERT_GT(errorsMs.size(), 200u);
        std::sort(errorsMs.begin(), errorsMs.end());
        const double median = errorsMs[errorsMs.size() / 2];
        EXPECT_LT(std::abs(median), 3.0) << "tempo " << tempo;
        // A busy test machine may hold a thread back now and then; nine in ten readings are close.
        EXPECT_LT(errorsMs[errorsMs.size() * 95 / 100] - errorsMs[errorsMs.size() * 5 / 100], 8.0) << "tempo " << tempo;
        EXPECT_GT(plainRepeats, errorsMs.size() / 3) << "the plain clock holds between updates";
        EXPECT_EQ(player.PositionNow(), player.Position()) << "stopped again";
    }
}
