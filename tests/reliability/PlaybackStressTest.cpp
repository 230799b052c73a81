// Playback under stress: the player is started, seeked (stopped and started elsewhere), given a
// new tempo, stopped and released a thousand times on the null output, with the CD+G player
// drawing, some plays running to their end frame by themselves. scripts/tsan.sh runs it under
// ThreadSanitizer. Every cycle must finish in bounded time and leave no thread behind.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

#include "audio/ManualResetEvent.h"
#include "audio/NullAudioOutput.h"
#include "audio/WavOutFile.h"
#include "cdg/CdgPacket.h"
#include "player/KaraokePlayer.h"
#include "player/CdgScreen.h"
#include "player/CdgScreenPicture.h"
#include "support/PromptRecorder.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCycles = 1000;
constexpr uint32_t kMusicFrames = 2 * 44100;
// A cycle that takes longer than this is stuck.
constexpr auto kCycleLimit = std::chrono::seconds(20);

size_t ThreadCount()
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task")) ++n;
    return n;
}

// Aborts the whole run, naming the cycle, when a cycle does not finish in time: a deadlock
// fails the test instead of hanging it.
class Watchdog {
public:
    Watchdog()
        : m_thread([this] {
              int seen = -1;
              auto since = Clock::now();
              while (!m_done.load()) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(50));
                  const int cycle = m_cycle.load();
                  if (cycle != seen) {
                      seen = cycle;
                      since = Clock::now();
                  } else if (Clock::now() - since > kCycleLimit) {
                      std::fprintf(stderr, "playback stress: cycle %d is stuck\n", cycle);
                      std::abort();
                  }
              }
          })
    {
    }
    ~Watchdog()
    {
        m_done.store(true);
        m_thread.join();
    }
    void Cycle(int n) { m_cycle.store(n); }

private:
    std::atomic<int> m_cycle{0};
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

} // namespace

TEST(PlaybackStress, AThousandStartSeekStopReleaseCycles)
{
    TempDir dir;
    const std::string music = dir.File("music.wav");
    {
        WavOutFile wav;
        ASSERT_TRUE(wav.Create(music, 44100, 16, 2));
        std::vector<int16_t> samples(size_t(kMusicFrames) * 2);
        for (size_t i = 0; i < samples.size(); ++i) samples[i] = int16_t(8000 * std::sin(double(i / 2) * 0.06));
        ASSERT_TRUE(wav.Write(samples));
        ASSERT_TRUE(wav.Close());
    }
    // A stream that keeps the CD+G player drawing: colour loads and tiles all the way through.
    std::vector<uint8_t> stream;
    TilePattern pattern{};
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = uint8_t(0x15 << (i % 2));
    const uint32_t packets = (kMusicFrames + 44100) / 147 + 300;
    for (uint32_t p = 0; p < packets; ++p) {
        std::array<uint32_t, kCdgColoursPerLoad> colours{};
        for (size_t c = 0; c < colours.size(); ++c) colours[c] = (p * 0x010203u + uint32_t(c) * 0x111111u) & 0xFFFFFF;
        const CdgPacket packet = p % 8 == 0 ? CdgPacket::LoadColours(kCdgLoadColoursLow, colours)
                                            : CdgPacket::Tile(kCdgTileXor, int(p % 16), int((p / 16) % 16),
                                                              int(p % 18), int(p % 50), pattern);
        stream.insert(stream.end(), packet.bytes.begin(), packet.bytes.end());
    }

    // Sanitizer runtimes start a helper thread along with the program's first one; start one
    // first so that the count before includes it.
    std::thread([] {}).join();
    const size_t threadsBefore = ThreadCount();
    PromptRecorder prompt;
    CdgScreen renderer;
    CdgScreenPicture presenter;
    renderer.AttachWindow(&presenter);
    ManualResetEvent done;
    std::mt19937 random(7);
    std::uniform_int_distribution<uint32_t> frame(0, kMusicFrames + 44100);
    std::uniform_int_distribution<int> pick(0, 99);
    Clock::duration longest{};
    int ranToEnd = 0;
    const auto started = Clock::now();
    {
        KaraokePlayer player(&prompt, &renderer);
        player.SetOutputFactory([](bool) { return std::make_unique<NullAudioOutput>(); });
        player.SetSource(music, stream);
        player.SetLeadInFrames(44100);
        player.SetDoneEvent(&done);
        Watchdog watchdog;
        for (int cycle = 0; cycle < kCycles; ++cycle) {
            watchdog.Cycle(cycle);
            const auto cycleStart = Clock::now();
            const int what = pick(random);
            const uint32_t from = frame(random);
            done.Reset();
            // A short play to an end frame runs out by itself now and then.
            const uint32_t to = what < 10 ? from + 600 : kPlayToEnd;
            ASSERT_TRUE(player.Start(kPlayAudio | kPlayGraphics | kPlayCallerFlag, from, to))
                << "cycle " << cycle << ": " << player.FailureText();
            if (what < 10) {
                if (done.WaitFor(std::chrono::seconds(5))) ++ranToEnd;
            } else if (what < 40) {
                std::this_thread::sleep_for(std::chrono::microseconds(pick(random) * 30));
                player.SetTempoChange(-pick(random) / 2);
                // A seek: the views stop and start again elsewhere.
                player.Stop();
                ASSERT_TRUE(player.Start(kPlayAudio | kPlayGraphics | kPlayCallerFlag, frame(random)));
            } else if (what < 70) {
                std::this_thread::sleep_for(std::chrono::microseconds(pick(random) * 10));
            }
            (void)player.Position();
            player.Stop();
            EXPECT_FALSE(player.IsPlaying());
            EXPECT_TRUE(done.IsSet()) << "cycle " << cycle;
            if (what % 3 != 0) player.Release();
            longest = std::max(longest, Clock::now() - cycleStart);
        }
        player.Release();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::printf("%d cycles in %.1f s (longest %.0f ms), %d ran to their end frame\n", kCycles, seconds,
                std::chrono::duration<double, std::milli>(longest).count(), ranToEnd);
    EXPECT_GT(ranToEnd, 0);
    EXPECT_LT(longest, std::chrono::duration_cast<Clock::duration>(kCycleLimit));
    EXPECT_EQ(ThreadCount(), threadsBefore) << "a playback thread outlived its player";
    EXPECT_TRUE(prompt.entries.empty());
}
