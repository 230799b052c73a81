#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "cdg/CdgPacket.h"
#include "player/CdgPacketScheduler.h"
#include "player/CdgScreen.h"
#include "player/RecordingPresenter.h"
#include "support/WaitUntil.h"

namespace {

// A stream of n packets that change nothing on screen but count as graphics.
std::vector<uint8_t> QuietStream(size_t n)
{
    std::vector<uint8_t> stream(n * kCdgPacketBytes, 0);
    const CdgPacket p = CdgPacket::Graphics(kCdgDefineTransparent);
    for (size_t i = 0; i < n; ++i) std::copy(p.bytes.begin(), p.bytes.end(), stream.begin() + long(i * kCdgPacketBytes));
    return stream;
}

void Put(std::vector<uint8_t>& stream, size_t index, const CdgPacket& packet)
{
    std::copy(packet.bytes.begin(), packet.bytes.end(), stream.begin() + long(index * kCdgPacketBytes));
}

CdgPacket SolidTile(int row, int column, int colour)
{
    TilePattern pattern;
    pattern.fill(0x3F);
    return CdgPacket::Tile(kCdgTileNormal, 0, colour, row, column, pattern);
}

// Waits until the player has caught up with position.
bool WaitFor(const CdgPacketScheduler& player, uint32_t position)
{
    return WaitUntil([&] { return player.LastPosition() == position; });
}

// Holds the thread that presents in its nth copy until released.
class HoldingPresenter : public CdgScreenOutput {
public:
    explicit HoldingPresenter(int holdAt) : m_holdAt(holdAt) {}
    CdgRect ClientArea() const override { return {0, 0, 300, 216}; }
    void Blit(const CdgScreen&, const CdgRect&, const CdgRect&) override
    {
        std::unique_lock lock(m_mutex);
        if (++m_blits != m_holdAt) return;
        m_held = true;
        m_wake.notify_all();
        m_wake.wait(lock, [this] { return m_released; });
    }
    void Fill(const CdgRect&, int, uint32_t) override {}
    bool WaitUntilHeld()
    {
        std::unique_lock lock(m_mutex);
        return m_wake.wait_for(lock, std::chrono::minutes(1), [this] { return m_held; });
    }
    void Release()
    {
        {
            std::lock_guard lock(m_mutex);
            m_released = true;
        }
        m_wake.notify_all();
    }

private:
    const int m_holdAt;
    int m_blits = 0;
    bool m_held = false;
    bool m_released = false;
    std::mutex m_mutex;
    std::condition_variable m_wake;
};

} // namespace

TEST(CdgPacketScheduler, ExecutesThePacketsWhoseTimeHasCome)
{
    const auto stream = QuietStream(900);
    CdgScreen renderer;
    CdgPacketScheduler player(&renderer);
    std::atomic<uint32_t> clock{44100};
    player.SetStream(stream);
    player.SetClock(&clock);
    player.StartPlayer(true);
    EXPECT_TRUE(player.IsRunning());
    // One second of clock: packets 0-299 and no more.
    ASSERT_TRUE(WaitFor(player, 44100));
    EXPECT_EQ(player.ExecutedPackets(), 300u);
    clock = 44100 + 10 * 147 + 146;
    ASSERT_TRUE(WaitFor(player, clock));
    EXPECT_EQ(player.ExecutedPackets(), 310u);

    // A clock going back executes nothing until it passes the highest value again.
    clock = 88200;
    ASSERT_TRUE(WaitFor(player, 88200));
    EXPECT_EQ(player.ExecutedPackets(), 600u);
    clock = 44100;
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    EXPECT_EQ(player.ExecutedPackets(), 600u);
    EXPECT_EQ(player.LastPosition(), 88200u);
    clock = 88200 + 3 * 147;
    ASSERT_TRUE(WaitFor(player, clock));
    EXPECT_EQ(player.ExecutedPackets(), 603u);

    // Far past the end: every packet but the stream's last one.
    clock = 10 * 44100;
    ASSERT_TRUE(WaitFor(player, clock));
    EXPECT_EQ(player.ExecutedPackets(), 899u);
    EXPECT_EQ(player.StoppedPosition(), 0u);
    player.StopPlayer();
    EXPECT_FALSE(player.IsRunning());
    EXPECT_EQ(player.LastPosition(), 0u);
    EXPECT_TRUE(player.Stream().empty());
    // Where the run stopped stays known, also through a second stop of the stopped player.
    EXPECT_EQ(player.StoppedPosition(), 10u * 44100);
    player.StopPlayer();
    EXPECT_EQ(player.StoppedPosition(), 10u * 44100);
}

TEST(CdgPacketScheduler, AStopHalfwayThroughAPassKeepsWhereTheDrawingStopped)
{
    std::vector<uint8_t> stream(200 * kCdgPacketBytes, 0);
    for (int i = 0; i < 200; ++i) Put(stream, size_t(i), SolidTile(1 + i % 16, 1 + i % 48, i % 16));
    CdgScreen renderer;
    // Copy 1 is the present after the first pass (packet 0), then one per tile: the player is
    // held in the tile of packet 5.
    HoldingPresenter presenter(6);
    renderer.AttachWindow(&presenter);
    CdgPacketScheduler player(&renderer);
    std::atomic<uint32_t> clock{147};
    player.SetStream(stream);
    player.SetClock(&clock);
    player.StartPlayer(true);
    ASSERT_TRUE(WaitFor(player, 147));
    clock = 150 * 147;
    ASSERT_TRUE(presenter.WaitUntilHeld());
    // Told to stop while it draws: it finishes the packet in hand and goes no further.
    std::thread stopper([&player] { player.StopPlayer(); });
    ASSERT_TRUE(WaitUntil([&] { return !player.IsRunning(); }));
    presenter.Release();
    stopper.join();
    EXPECT_EQ(player.ExecutedPackets(), 6u);
    EXPECT_EQ(player.StoppedPosition(), 6u * 147);
    renderer.DetachWindows();
}

TEST(CdgPacketScheduler, OnlyGraphicsPacketsAreExecutedAndOnlyFromTheStartPosition)
{
    auto stream = QuietStream(40);
    stream[3 * kCdgPacketBytes] = 0;    // not a graphics command
    stream[25 * kCdgPacketBytes] = 0x19; // another mode of the same item
    CdgScreen renderer;
    CdgPacketScheduler player(&renderer);
    std::atomic<uint32_t> clock{30 * 147};
    player.SetStream(stream);
    player.SetClock(&clock);
    // From packet 20 on: 20-29 less packet 25.
    player.StartPlayer(true, 20 * 147);
    ASSERT_TRUE(WaitFor(player, 30 * 147));
    EXPECT_EQ(player.ExecutedPackets(), 9u);
    player.StopPlayer();

    // Without a clock the position reads 0: nothing is ever due.
    CdgPacketScheduler unclocked(&renderer);
    unclocked.SetStream(stream);
    unclocked.StartPlayer(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(unclocked.ExecutedPackets(), 0u);
    unclocked.StopPlayer();
}

TEST(CdgPacketScheduler, TheFirstPassCatchesUpSilentlyAndPresentsOnce)
{
    std::vector<uint8_t> stream(400 * kCdgPacketBytes, 0);
    for (int i = 0; i < 100; ++i) Put(stream, size_t(i), SolidTile(1 + i % 16, 1 + i % 48, i % 16));
    Put(stream, 300, SolidTile(3, 4, 7));

    // What one full present looks like to a window.
    CdgScreen reference;
    RecordingPresenter referenceWindow;
    reference.AttachWindow(&referenceWindow);
    reference.PresentAll();
    const auto fullPresent = referenceWindow.calls;

    CdgScreen renderer;
    RecordingPresenter window;
    renderer.AttachWindow(&window);
    CdgPacketScheduler player(&renderer);
    std::atomic<uint32_t> clock{200 * 147};
    player.SetStream(stream);
    player.SetClock(&clock);
    player.StartPlayer(true);
    ASSERT_TRUE(WaitFor(player, 200 * 147));
    EXPECT_EQ(player.ExecutedPackets(), 100u);
    EXPECT_FALSE(renderer.SuppressPresent());
    // A hundred tiles, one present.
    EXPECT_EQ(window.calls, fullPresent);

    // Later passes present each tile as it comes.
    window.calls.clear();
    clock = 301 * 147;
    ASSERT_TRUE(WaitFor(player, clock));
    player.StopPlayer();
    ASSERT_EQ(window.calls.size(), 1u);
    EXPECT_TRUE(window.calls[0].blit);
    EXPECT_EQ(window.calls[0].source, (CdgRect{23, 35, 31, 49}));
    EXPECT_EQ(renderer.Pixel(4 * 6, 3 * 12), 7);
    renderer.DetachWindows();
    reference.DetachWindows();
}

TEST(CdgPacketScheduler, StoppingDuringACatchUpShowsWhatWasDoneSoFar)
{
    // Memory presets of alternating colours each fill the whole frame: a long catch-up.
    const size_t n = 200000;
    std::vector<uint8_t> stream(n * kCdgPacketBytes, 0);
    for (size_t i = 0; i < n; ++i) Put(stream, i, CdgPacket::MemoryPreset(int(1 + i % 2), 0));
    CdgScreen renderer;
    RecordingPresenter window;
    renderer.AttachWindow(&window);
    CdgPacketScheduler player(&renderer);
    std::atomic<uint32_t> clock{uint32_t(n * 147)};
    player.SetStream(stream);
    player.SetClock(&clock);
    player.StartPlayer(true);
    ASSERT_TRUE(WaitUntil([&] { return player.ExecutedPackets() > 0; }));
    player.StopPlayer();
    // Stopped long before the end of the catch-up, not after it.
    const uint64_t executed = player.ExecutedPackets();
    EXPECT_GT(executed, 0u);
    EXPECT_LT(executed, n - 1);
    EXPECT_FALSE(renderer.SuppressPresent());
    // The memory colour of the last executed packet, shown once with a whole present.
    EXPECT_EQ(renderer.MemoryColour(), int(1 + (executed - 1) % 2));
    ASSERT_FALSE(window.calls.empty());
    EXPECT_TRUE(window.calls[0].blit);
    EXPECT_EQ(window.calls[0].source, (CdgRect{6, 12, 294, 204}));
    renderer.DetachWindows();
}

TEST(CdgPacketScheduler, AnEmptyStreamEndsAtOnceAndAStopAfterItReturnsAtOnce)
{
    CdgScreen renderer;
    CdgPacketScheduler player(&renderer);
    std::atomic<uint32_t> clock{44100};
    player.SetClock(&clock);
    player.StartPlayer(true);
    EXPECT_TRUE(WaitUntil([&] { return !player.IsRunning(); }));
    player.StopPlayer();
    EXPECT_EQ(player.ExecutedPackets(), 0u);
    // On the calling thread an empty stream returns at once as well.
    player.StartPlayer(false);
    EXPECT_FALSE(player.IsRunning());
}

TEST(CdgPacketScheduler, RunsOnTheCallersThreadUntilStoppedFromAnother)
{
    const auto stream = QuietStream(100);
    CdgScreen renderer;
    CdgPacketScheduler player(&renderer);
    std::atomic<uint32_t> clock{50 * 147};
    player.SetStream(stream);
    player.SetClock(&clock);
    std::atomic<bool> returned{false};
    std::thread caller([&] {
        player.StartPlayer(false);
        returned = true;
    });
    ASSERT_TRUE(WaitFor(player, 50 * 147));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(returned.load()) << "the loop runs until it is stopped";
    EXPECT_TRUE(player.IsRunning());
    player.StopPlayer();
    EXPECT_FALSE(player.IsRunning());
    // The loop has left by now; the caller's StartPlayer returns right after.
    caller.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(player.ExecutedPackets(), 50u);
}

TEST(CdgPacketScheduler, CatchUpWhileStoppedBringsTheScreenToAPosition)
{
    std::vector<uint8_t> stream(100 * kCdgPacketBytes, 0);
    Put(stream, 5, SolidTile(2, 2, 4));
    Put(stream, 50, SolidTile(2, 2, 11));
    CdgScreen renderer;
    RecordingPresenter window;
    renderer.AttachWindow(&window);
    CdgPacketScheduler player(&renderer);
    player.SetStream(stream);
    player.CatchUp(50 * 147);
    EXPECT_EQ(renderer.Pixel(13, 25), 4);
    EXPECT_EQ(player.LastPosition(), 50u * 147);
    // Backwards does nothing; forwards goes on from where it stood.
    player.CatchUp(10 * 147);
    EXPECT_EQ(player.LastPosition(), 50u * 147);
    player.CatchUp(51 * 147);
    EXPECT_EQ(renderer.Pixel(13, 25), 11);
    EXPECT_EQ(player.ExecutedPackets(), 2u);
    // Each catch-up presents the whole screen once (a blit and four border strips).
    EXPECT_EQ(window.calls.size(), 10u);
    renderer.DetachWindows();
}
