#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

#include "PlaybackFixtures.h"
#include "audio/AudioOutputChoice.h"
#include "audio/NullAudioOutput.h"
#include "audio/PortAudioOutput.h"
#include "media/ThreadPriority.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

std::span<const uint8_t> Bytes(const std::vector<int16_t>& samples)
{
    return {reinterpret_cast<const uint8_t*>(samples.data()), samples.size() * 2};
}

// Waits until the output has played frames, at most timeout.
bool WaitPlayed(const AudioOutput& output, uint64_t frames, std::chrono::milliseconds timeout)
{
    const auto end = Clock::now() + timeout;
    while (output.PlayedFrames() < frames) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace

// The one check of the device-less output against real time (the players' tests step their
// clocks by hand). A busy machine can only hold its thread back, so the bounds that hold under
// any load are the ones checked closely: the device never takes music before its time.
TEST(NullAudioOutput, TakesTheQueuedMusicInRealTimeAndInOrder)
{
    std::vector<int16_t> heard;
    NullAudioOutput output([&heard](std::span<const int16_t> s) { heard.insert(heard.end(), s.begin(), s.end()); });
    ASSERT_TRUE(output.Open(44100, 4 * 30576));
    const auto music = NumberedFrames(13230); // 0.3 s
    ASSERT_TRUE(output.Append(Bytes(music)));
    EXPECT_EQ(output.QueuedBytes(), music.size() * 2);
    EXPECT_EQ(output.PlayedFrames(), 0u);

    const auto begun = Clock::now();
    ASSERT_TRUE(output.Start());
    // Sampled as it plays: never more than was due by then (a card takes one period ahead).
    while (output.PlayedFrames() < 13230 && Clock::now() - begun < std::chrono::minutes(1)) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - begun).count();
        ASSERT_LE(double(output.PlayedFrames()) / 44100.0, elapsed + 0.006) << "ahead of real time";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(WaitPlayed(output, 13230, std::chrono::milliseconds(60000)));
    const double total = std::chrono::duration<double>(Clock::now() - begun).count();
    EXPECT_GT(total, 0.29);
    output.Stop();
    EXPECT_EQ(heard, music);
    EXPECT_EQ(output.PlayedFrames(), 13230u);
}

TEST(NullAudioOutput, ADryRingPlaysSilenceWithoutMovingTheCount)
{
    std::vector<int16_t> heard;
    NullAudioOutput output([&heard](std::span<const int16_t> s) { heard.insert(heard.end(), s.begin(), s.end()); });
    ASSERT_TRUE(output.Open(44100, 30576));
    ASSERT_TRUE(output.Start());
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    EXPECT_EQ(output.PlayedFrames(), 0u);
    const auto music = NumberedFrames(100);
    ASSERT_TRUE(output.Append(Bytes(music)));
    ASSERT_TRUE(WaitPlayed(output, 100, std::chrono::milliseconds(60000)));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(output.PlayedFrames(), 100u);
    // A second Stop does nothing.
    output.Stop();
    output.Stop();
    EXPECT_EQ(heard, music);
}

TEST(AudioOutput, TheRingNeverOverwritesMusicNotYetPlayed)
{
    NullAudioOutput output;
    EXPECT_FALSE(output.Append(Bytes(NumberedFrames(1)))) << "nothing can be queued before Open";
    ASSERT_TRUE(output.Open(44100, 1001)); // rounded down to whole frames: 1000 bytes
    EXPECT_EQ(output.RingBytes(), 1000u);
    ASSERT_TRUE(output.Append(Bytes(NumberedFrames(200))));
    ASSERT_TRUE(output.Append(Bytes(NumberedFrames(50))));
    EXPECT_FALSE(output.Append(Bytes(NumberedFrames(1))));
    EXPECT_EQ(output.QueuedBytes(), 1000u);
    // Once some of it has played, the room it leaves can be filled again, across the wrap.
    ASSERT_TRUE(output.Start());
    ASSERT_TRUE(WaitPlayed(output, 250, std::chrono::milliseconds(60000)));
    output.Stop();
    ASSERT_TRUE(output.Append(Bytes(NumberedFrames(250))));
    EXPECT_FALSE(output.Append(Bytes(NumberedFrames(1))));
    EXPECT_FALSE(output.Open(0, 1000));
    EXPECT_FALSE(output.FailureText().empty());
}

TEST(AudioOutput, TheEnvironmentChoosesTheOutput)
{
    {
        ScopedEnv env(kAudioOutputVariable, "null");
        EXPECT_STREQ(CreateAudioOutput()->Name(), "null");
    }
    {
        ScopedEnv env(kAudioOutputVariable, std::nullopt);
        EXPECT_STREQ(CreateAudioOutput()->Name(), "PortAudio");
    }
}

TEST(PortAudioOutput, ADeviceNameThatIsNotThereFailsWithItsName)
{
    ScopedEnv device(kAudioDeviceVariable, "No Such Card 4711");
    PortAudioOutput output;
    EXPECT_FALSE(output.Open(44100, 30576));
    EXPECT_FALSE(output.IsOpen());
    EXPECT_NE(output.FailureText().find("No Such Card 4711"), std::string::npos) << output.FailureText();
    // Failing leaves it usable: close and a second failure are harmless.
    output.Close();
    EXPECT_FALSE(output.Open(44100, 30576));
}

TEST(PortAudioOutput, PlaysThroughADeviceAndStopsAtOnce)
{
    // A sound-card-less machine gets a device from an ALSA configuration of our own: the null
    // PCM, which takes whatever it is given as fast as it can.
    TempDir home;
    {
        std::ofstream rc(home.File(".asoundrc"));
        rc << "pcm.!default { type null }\n";
    }
    ScopedEnv homeEnv("HOME", home.Path().string());
    ScopedEnv device(kAudioDeviceVariable, std::nullopt);
    PortAudioOutput output;
    if (!output.Open(44100, 4 * 30576)) GTEST_SKIP() << "no PortAudio device: " << output.FailureText();
    EXPECT_FALSE(output.DeviceName().empty());
    const auto music = NumberedFrames(20000);
    ASSERT_TRUE(output.Append(Bytes(music)));
    ASSERT_TRUE(output.Start());
    ASSERT_TRUE(WaitPlayed(output, 20000, std::chrono::milliseconds(5000)));
    const auto before = Clock::now();
    output.Stop();
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - before).count(), 0.1);
    // The device took exactly what was queued, no more.
    EXPECT_EQ(output.PlayedFrames(), 20000u);
    output.Close();
    EXPECT_FALSE(output.IsOpen());
}

TEST(ThreadPriority, AppliesToTheCallingThreadAlone)
{
    const int processNice = getpriority(PRIO_PROCESS, 0);
    if (processNice >= NiceValueForPriority(-2)) GTEST_SKIP() << "already running at nice " << processNice;
    int threadNice = 99;
    bool set = false;
    std::thread worker([&] {
        set = SetCurrentThreadPriority(-2);
        threadNice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    });
    worker.join();
    EXPECT_TRUE(set);
    EXPECT_EQ(threadNice, NiceValueForPriority(-2));
    EXPECT_GT(threadNice, processNice);
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), processNice);
}
