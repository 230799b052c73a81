#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

#include "PlaybackFixtures.h"
#include "WavBytes.h"
#include "audio/ManualResetEvent.h"
#include "cdg/CdgPacket.h"
#include "player/KaraokePlayer.h"
#include "player/CdgPacketScheduler.h"
#include "player/CdgScreenOutput.h"
#include "player/CdgScreen.h"
#include "support/SteppedPlayback.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace {

constexpr int kRow = 5;
constexpr int kColumn = 7;
// A pixel inside the tile at kRow, kColumn.
constexpr int kTileX = kColumn * 6 + 2;
constexpr int kTileY = kRow * 12 + 3;
// The music heard at a time, where a test steps the clock.
constexpr uint32_t kStep = 2205;

// Notes, at every present, what the screen shows at the tile and what the audio clock says.
class ClockedPresenter : public CdgScreenOutput {
public:
    struct Seen {
        uint32_t clock;
        uint8_t pixel;
    };
    explicit ClockedPresenter(const std::atomic<uint32_t>& clock) : m_clock(clock) {}

    CdgRect ClientArea() const override { return {0, 0, 300, 216}; }
    void Blit(const CdgScreen& renderer, const CdgRect&, const CdgRect&) override
    {
        std::lock_guard lock(m_mutex);
        m_seen.push_back({m_clock.load(), renderer.Pixel(kTileX, kTileY)});
    }
    void Fill(const CdgRect&, int, uint32_t) override {}

    std::vector<Seen> SeenSoFar() const
    {
        std::lock_guard lock(m_mutex);
        return m_seen;
    }

private:
    const std::atomic<uint32_t>& m_clock;
    mutable std::mutex m_mutex;
    std::vector<Seen> m_seen;
};

void Put(std::vector<uint8_t>& stream, size_t index, const CdgPacket& packet)
{
    std::copy(packet.bytes.begin(), packet.bytes.end(), stream.begin() + long(index * kCdgPacketBytes));
}

CdgPacket SolidTile(int colour, uint8_t instruction = kCdgTileNormal)
{
    TilePattern pattern;
    pattern.fill(0x3F);
    return CdgPacket::Tile(instruction, 0, colour, kRow, kColumn, pattern);
}

} // namespace

TEST(KaraokePlayerGraphics, TheScreenChangesOnlyAfterTheClockPassesThePacket)
{
    TempDir dir;
    const std::string path = dir.File("tone.wav");
    WriteFileBytes(path, Pcm16File(StereoTone(33075), 2)); // 0.75 s
    // One second of stream: the tile turns to colour 3 at packet 60 and to colour 9 at packet 150.
    std::vector<uint8_t> stream(300 * kCdgPacketBytes, 0);
    Put(stream, 60, SolidTile(3));
    Put(stream, 150, SolidTile(9));

    CdgScreen renderer;
    SteppedPlayback playback;
    KaraokePlayer player(nullptr, &renderer);
    player.SetOutputFactory(playback.Factory());
    ClockedPresenter presenter(player.Clock());
    renderer.AttachWindow(&presenter);
    player.SetSource(path, stream);
    ASSERT_TRUE(player.Start(kPlayAudio | kPlayGraphics | kPlayCallerFlag, 0));
    // Twentieths of a second, each left to the screen before the next is heard.
    while (player.IsPlaying()) {
        playback.Play(player, kStep);
        ASSERT_TRUE(WaitUntil([&] { return !player.IsPlaying() || player.CdgPlayer()->LastPosition() == player.Position(); }));
    }
    player.Stop();
    renderer.DetachWindows();

    const auto seen = presenter.SeenSoFar();
    // Packet n is executed once the clock has passed (n + 1) x 147.
    const uint32_t firstAt = 61 * 147, secondAt = 151 * 147;
    bool sawBlank = false, sawFirst = false, sawSecond = false;
    uint32_t firstSecondClock = 0;
    for (const auto& s : seen) {
        if (s.pixel == 0) sawBlank = true;
        if (s.pixel == 3) {
            sawFirst = true;
            EXPECT_GE(s.clock, firstAt) << "colour 3 shown before its time";
        }
        if (s.pixel == 9) {
            if (!sawSecond) firstSecondClock = s.clock;
            sawSecond = true;
            EXPECT_GE(s.clock, secondAt) << "colour 9 shown before its time";
        }
    }
    EXPECT_TRUE(sawBlank);
    EXPECT_TRUE(sawFirst);
    ASSERT_TRUE(sawSecond);
    // And it follows the clock closely: shown within the step that passed its time.
    EXPECT_LT(firstSecondClock, secondAt + kStep);
    EXPECT_EQ(renderer.Pixel(kTileX, kTileY), 9);
    ASSERT_NE(player.CdgPlayer(), nullptr);
    EXPECT_EQ(player.CdgPlayer()->ExecutedPackets(), 2u);
}

TEST(KaraokePlayerGraphics, AStartInTheMiddleDoesNotReplayWhatTheScreenAlreadyShows)
{
    // An XOR tile flips back if it is executed twice, so a replay of the packets between the
    // skipped frame and the start frame would show.
    TempDir dir;
    const std::string path = dir.File("tone.wav");
    WriteFileBytes(path, Pcm16File(StereoTone(33075), 2));
    std::vector<uint8_t> stream(300 * kCdgPacketBytes, 0);
    Put(stream, 10, SolidTile(5));
    Put(stream, 140, SolidTile(6, kCdgTileXor)); // between the skipped frame and the start
    Put(stream, 200, SolidTile(1, kCdgTileXor)); // after the start

    CdgScreen renderer;
    KaraokePlayer player(nullptr, &renderer);
    ManualResetEvent done;
    player.SetDoneEvent(&done);
    player.SetSource(path, stream);
    // The view brings the screen to the start, then plays from there.
    const uint32_t start = 150 * 147;
    CdgPacketScheduler& cdg = player.MakeCdgPlayer();
    cdg.SetStream(stream);
    cdg.CatchUp(start);
    EXPECT_EQ(renderer.Pixel(kTileX, kTileY), 5 ^ 6);
    ASSERT_TRUE(player.Start(kPlayAudio | kPlayGraphics, start));
    ASSERT_TRUE(done.WaitFor(std::chrono::seconds(3)));
    player.Stop();
    EXPECT_EQ(renderer.Pixel(kTileX, kTileY), 5 ^ 6 ^ 1);
    EXPECT_EQ(cdg.ExecutedPackets(), 3u);
}
