#include <gtest/gtest.h>

#include <vector>

#include "cdg/CdgPacket.h"
#include "player/CdgPacketDecoder.h"
#include "player/CdgScreen.h"
#include "player/CdgScreenPicture.h"
#include "player/CdgStreamSnapshot.h"
#include "player/PngCodec.h"
#include "support/TempDir.h"

namespace {

constexpr uint32_t kMemory = MakeColourValue(0x11, 0x22, 0x33);
constexpr uint32_t kBorder = MakeColourValue(0xAA, 0x00, 0x55);
constexpr uint32_t kTile = MakeColourValue(0xFF, 0xEE, 0x00);

// Colours 1 (memory), 2 (border) and 3 (a tile at screen column 2, row 1) on a fresh renderer.
void DrawScene(CdgScreen& r)
{
    const std::array<uint32_t, 4> colours = {0, kMemory, kBorder, kTile};
    r.LoadColours(0, 4, colours);
    r.MemoryPreset(1);
    r.BorderPreset(2);
    TilePattern all{};
    all.fill(0x3F);
    r.DrawTile(1, 2, 0, 3, all);
}

std::vector<uint8_t> Stream(const std::vector<CdgPacket>& packets)
{
    std::vector<uint8_t> s;
    for (const CdgPacket& p : packets) s.insert(s.end(), p.bytes.begin(), p.bytes.end());
    return s;
}

} // namespace

TEST(CdgScreenPicture, ShowsTheVisibleAreaInsideTheBorderColour)
{
    CdgScreen r;
    CdgScreenPicture shot;
    r.AttachWindow(&shot);
    DrawScene(r);
    r.PresentAll();
    const RgbImage& image = shot.Image();
    ASSERT_EQ(image.width, 300);
    ASSERT_EQ(image.height, 216);
    EXPECT_EQ(image.ColourAt(0, 0), kBorder);
    EXPECT_EQ(image.ColourAt(5, 100), kBorder);
    EXPECT_EQ(image.ColourAt(294, 100), kBorder);
    EXPECT_EQ(image.ColourAt(150, 204), kBorder);
    EXPECT_EQ(image.ColourAt(150, 11), kBorder);
    EXPECT_EQ(image.ColourAt(6, 12), kMemory);
    EXPECT_EQ(image.ColourAt(11, 23), kMemory);
    EXPECT_EQ(image.ColourAt(12, 12), kTile);
    EXPECT_EQ(image.ColourAt(17, 23), kTile);
    EXPECT_EQ(image.ColourAt(18, 23), kMemory);
    EXPECT_EQ(image.ColourAt(293, 203), kMemory);

    // The fine offsets move the window onto the frame: screen x 9 now shows frame x 12.
    r.ScrollCopy(0, 3, 0, 0);
    EXPECT_EQ(image.ColourAt(8, 12), kMemory);
    EXPECT_EQ(image.ColourAt(9, 12), kTile);
    EXPECT_EQ(image.ColourAt(14, 23), kTile);
    EXPECT_EQ(image.ColourAt(15, 23), kMemory);
    EXPECT_EQ(image.ColourAt(5, 12), kBorder);
}

TEST(CdgScreenPicture, ScaledPicturesRepeatEachPixel)
{
    CdgScreen r;
    CdgScreenPicture shot(3);
    r.AttachWindow(&shot);
    DrawScene(r);
    r.PresentAll();
    const RgbImage& image = shot.Image();
    ASSERT_EQ(image.width, 900);
    ASSERT_EQ(image.height, 648);
    EXPECT_EQ(image.ColourAt(17, 100), kBorder);
    EXPECT_EQ(image.ColourAt(18, 36), kMemory);
    EXPECT_EQ(image.ColourAt(35, 71), kMemory);
    EXPECT_EQ(image.ColourAt(36, 36), kTile);
    EXPECT_EQ(image.ColourAt(53, 71), kTile);
    EXPECT_EQ(image.ColourAt(54, 71), kMemory);
    EXPECT_EQ(image.ColourAt(899, 647), kBorder);
    EXPECT_EQ(CdgScreenPicture(0).Scale(), 1);
    EXPECT_EQ(CdgScreenPicture(99).Scale(), kSnapshotMaxScale);
}

TEST(CdgScreenPicture, ShowsOnlyWhatWasPresented)
{
    CdgScreen r;
    CdgScreenPicture shot;
    r.AttachWindow(&shot);
    r.SetSuppressPresent(true);
    DrawScene(r);
    EXPECT_EQ(shot.Image().ColourAt(12, 12), 0u);
    EXPECT_EQ(shot.Image().ColourAt(0, 0), 0u);
    r.SetSuppressPresent(false);
    r.PresentAll();
    EXPECT_EQ(shot.Image().ColourAt(12, 12), kTile);
    EXPECT_EQ(shot.Image().ColourAt(0, 0), kBorder);

    TempDir dir;
    ASSERT_TRUE(shot.WritePng(dir.File("s.png")));
    RgbImage back;
    std::string error;
    ASSERT_TRUE(DecodePng(ReadFileBytes(dir.File("s.png")), back, error)) << error;
    EXPECT_EQ(back.pixels, shot.Image().pixels);
}

TEST(CdgStreamSnapshot, FollowsThePlayersClockRule)
{
    std::vector<CdgPacket> packets(10, CdgPacket{});
    std::vector<uint8_t> stream = Stream(packets);
    stream.resize(stream.size() + 10, 0x09); // a trailing partial packet is not a packet
    CdgStreamSnapshot snap(stream);
    EXPECT_EQ(snap.PacketCount(), 10u);
    EXPECT_EQ(snap.PacketsAtClock(0), 0u);
    EXPECT_EQ(snap.PacketsAtClock(146), 0u);
    EXPECT_EQ(snap.PacketsAtClock(147 * 3), 3u);
    EXPECT_EQ(snap.PacketsAtClock(147 * 9 + 100), 9u);
    EXPECT_EQ(snap.PacketsAtClock(44100), 9u); // never the last packet
    CdgStreamSnapshot empty(std::span<const uint8_t>{});
    EXPECT_EQ(empty.PacketsAtClock(44100), 0u);
    empty.ExecuteUntil(5);
    EXPECT_EQ(empty.ExecutedCount(), 0u);
}

TEST(CdgStreamSnapshot, ExecutesInOrderAndStartsOverWhenAskedForAnEarlierScreen)
{
    const std::array<uint32_t, 8> colours = {0, kMemory, kBorder, kTile, 0, 0, 0, 0};
    TilePattern all{};
    all.fill(0x3F);
    const std::vector<uint8_t> stream =
        Stream({CdgPacket::LoadColours(kCdgLoadColoursLow, colours), CdgPacket::MemoryPreset(1, 0),
                CdgPacket::BorderPreset(2), CdgPacket::Tile(kCdgTileNormal, 0, 3, 1, 2, all),
                CdgPacket::Tile(kCdgTileXor, 0, 3, 1, 2, all), CdgPacket::BorderPreset(3)});
    CdgStreamSnapshot snap(stream);
    snap.ExecuteUntil(4);
    EXPECT_EQ(snap.ExecutedCount(), 4u);
    EXPECT_FALSE(snap.Renderer().SuppressPresent());
    const RgbImage atFour = snap.Show();
    EXPECT_EQ(atFour.ColourAt(12, 12), kTile);
    EXPECT_EQ(atFour.ColourAt(0, 0), kBorder);

    snap.ExecuteUntil(99);
    EXPECT_EQ(snap.ExecutedCount(), 6u);
    EXPECT_EQ(snap.Show().ColourAt(12, 12), 0u); // XOR took the tile back to colour 0
    EXPECT_EQ(snap.Show().ColourAt(0, 0), kTile);

    snap.ExecuteUntil(4);
    EXPECT_EQ(snap.Show().pixels, atFour.pixels);
    snap.ExecuteUntil(1);
    EXPECT_EQ(snap.Show().ColourAt(12, 12), 0u);
    EXPECT_EQ(snap.Decoder().ColourCache()[3], kTile);
}
