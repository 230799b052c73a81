#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "cdg/CdgPacketGenerator.h"
#include "player/CdgPacketDecoder.h"
#include "player/CdgScreen.h"
#include "player/CdgScreenSink.h"

namespace {

constexpr size_t P = kCdgPacketBytes;

// A 288 x 192 picture of colour indices.
struct Canvas {
    std::vector<uint8_t> pixels = std::vector<uint8_t>(size_t(kCdgContentWidth) * kCdgContentHeight, 0);
    uint8_t& At(int x, int y) { return pixels[size_t(y) * kCdgContentWidth + size_t(x)]; }
    IndexImageView View() const { return {pixels.data(), kCdgContentWidth, kCdgContentHeight, kCdgContentWidth}; }
};

CdgPacket PacketAt(const std::vector<uint8_t>& buffer, size_t offset)
{
    CdgPacket p;
    std::copy_n(buffer.begin() + std::ptrdiff_t(offset), P, p.bytes.begin());
    return p;
}

// Runs every packet of a buffer through a decoder into the renderer.
void Play(const std::vector<uint8_t>& buffer, CdgScreen& renderer)
{
    CdgPacketDecoder decoder(&renderer);
    for (size_t o = 0; o + P <= buffer.size(); o += P) {
        decoder.ExecutePacket(std::span<const uint8_t, P>(buffer.data() + o, P));
    }
}

} // namespace

TEST(CdgPacketGeneratorSlots, PacketGoesToTheFirstFreeSlotAtOrAfterTheOffset)
{
    std::vector<uint8_t> buffer(100 * P, 0);
    CdgPacketGenerator gen(buffer.data(), buffer.size());
    const CdgPacket border = CdgPacket::BorderPreset(4);

    EXPECT_EQ(gen.WritePacket(10 * P, border), P);
    EXPECT_EQ(PacketAt(buffer, 10 * P), border);

    // Slots 20, 21 and 22 taken: the packet lands 72 bytes later and the advance is 96.
    for (size_t s = 20; s < 23; ++s) buffer[s * P] = 0x09;
    EXPECT_EQ(gen.WritePacket(20 * P, border), 4 * P);
    EXPECT_EQ(PacketAt(buffer, 23 * P), border);
    EXPECT_EQ(buffer[20 * P + 1], 0); // the taken slots are left as they were

    // A burst written with the running offset flows round the taken slot 10 and stays in order.
    size_t offset = 9 * P;
    for (int i = 0; i < 3; ++i) offset += gen.WritePacket(offset, CdgPacket::MemoryPreset(i, i));
    EXPECT_EQ(offset, 13 * P);
    EXPECT_EQ(PacketAt(buffer, 9 * P), CdgPacket::MemoryPreset(0, 0));
    EXPECT_EQ(PacketAt(buffer, 10 * P), border);
    EXPECT_EQ(PacketAt(buffer, 11 * P), CdgPacket::MemoryPreset(1, 1));
    EXPECT_EQ(PacketAt(buffer, 12 * P), CdgPacket::MemoryPreset(2, 2));
}

TEST(CdgPacketGeneratorSlots, LateOrUnplaceablePacketsAreDroppedButStillAdvance)
{
    std::vector<uint8_t> buffer(10 * P, 0);
    const std::vector<uint8_t> empty = buffer;
    CdgPacketGenerator gen(buffer.data(), buffer.size());
    const CdgPacket packet = CdgPacket::BorderPreset(1);

    // The last slot (offset size - 24) and anything beyond are never written.
    EXPECT_EQ(gen.WritePacket(9 * P, packet), P);
    EXPECT_EQ(gen.WritePacket(50 * P, packet), P);
    EXPECT_EQ(buffer, empty);

    // Every slot from 6 to 8 taken: the search stops at the buffer end and drops the packet;
    // the advance takes the running offset past the end.
    for (size_t s = 6; s < 10; ++s) buffer[s * P] = 0x09;
    const std::vector<uint8_t> before = buffer;
    EXPECT_EQ(gen.WritePacket(6 * P, packet), 4 * P);
    EXPECT_EQ(buffer, before);

    // No buffer at all, or a buffer too small for a slot before its last.
    CdgPacketGenerator none;
    EXPECT_EQ(none.WritePacket(0, packet), P);
    std::vector<uint8_t> one(P, 0);
    CdgPacketGenerator tiny(one.data(), one.size());
    EXPECT_EQ(tiny.WritePacket(0, packet), P);
    EXPECT_EQ(one, std::vector<uint8_t>(P, 0));
}

TEST(CdgPacketGenerator, ColourTablePresetsAndSolidTilesAsPackets)
{
    std::vector<uint8_t> buffer(64 * P, 0);
    CdgPacketGenerator gen(buffer.data(), buffer.size());
    ColourTable table{};
    for (int i = 0; i < 16; ++i) table[size_t(i)] = MakeColourValue(uint8_t(i * 17), uint8_t(255 - i * 17), uint8_t(i));

    size_t offset = 0;
    offset += gen.LoadColorTable(table, offset);
    EXPECT_EQ(offset, 2 * P);
    EXPECT_EQ(PacketAt(buffer, 0), CdgPacket::LoadColours(kCdgLoadColoursLow, std::span<const uint32_t, 8>(table.data(), 8)));
    EXPECT_EQ(PacketAt(buffer, P), CdgPacket::LoadColours(kCdgLoadColoursHigh, std::span<const uint32_t, 8>(table.data() + 8, 8)));

    EXPECT_EQ(gen.PresetMemory(5, offset), 16 * P);
    for (int r = 0; r < 16; ++r) EXPECT_EQ(PacketAt(buffer, offset + size_t(r) * P), CdgPacket::MemoryPreset(5, r));
    offset += 16 * P;
    EXPECT_EQ(gen.PresetBorder(11, offset), P);
    EXPECT_EQ(PacketAt(buffer, offset), CdgPacket::BorderPreset(11));
    offset += P;
    EXPECT_EQ(gen.WriteSolidTile(47, 16, 9, offset), P);
    EXPECT_EQ(PacketAt(buffer, offset), CdgPacket::Tile(kCdgTileNormal, 9, 9, 16, 47, TilePattern{}));
    offset += P;
    EXPECT_EQ(gen.WriteScrollCopy(2, 0, 1, 6, offset), P);
    EXPECT_EQ(PacketAt(buffer, offset), CdgPacket::ScrollCopy(2, 0, 1, 6));
}

TEST(CdgPacketGenerator, RendererTargetGetsTablesAndPresetsDirectly)
{
    CdgScreen renderer;
    CdgScreenSink screen(&renderer);
    CdgPacketGenerator gen(screen);
    ColourTable table{};
    for (int i = 0; i < 16; ++i) table[size_t(i)] = MakeColourValue(uint8_t(i * 10 + 1), uint8_t(i), 200);
    // Nothing to store packets in: each write advances by one slot.
    EXPECT_EQ(gen.LoadColorTable(table, 0), 2 * P);
    EXPECT_EQ(renderer.Colours(), table); // full 8-bit colours, not the packet's 4 bits
    EXPECT_EQ(gen.PresetMemory(7, 0), 16 * P);
    EXPECT_EQ(renderer.MemoryColour(), 7);
    EXPECT_EQ(renderer.Pixel(150, 100), 7);
    gen.PresetBorder(3, 0);
    EXPECT_EQ(renderer.BorderColour(), 3);
    // A scroll has nowhere to go without player or buffer.
    EXPECT_EQ(gen.WriteScrollCopy(1, 0, 0, 0, 0), 0u);
    EXPECT_EQ(renderer.Pixel(0, 0), 7);
}

TEST(CdgPacketGenerator, AttachedPlayerInterpretsEachPacketAtOnce)
{
    CdgScreen renderer;
    CdgPacketDecoder player(&renderer);
    CdgScreenSink screen(nullptr, &player);
    CdgPacketGenerator gen(screen);
    gen.PresetBorder(6, 0);
    EXPECT_EQ(renderer.BorderColour(), 6);
    gen.WriteSolidTile(10, 5, 9, 0);
    EXPECT_EQ(renderer.Pixel(60, 60), 9);
    EXPECT_EQ(gen.WriteScrollCopy(0, 4, 0, 2, 0), P);
    EXPECT_EQ(renderer.HorizontalOffset(), 4);
    EXPECT_EQ(renderer.VerticalOffset(), 2);
}

TEST(CdgPacketGenerator, ScreenWithBufferKeepsAndShowsTheSamePackets)
{
    CdgScreen renderer;
    CdgPacketDecoder player(&renderer);
    std::vector<uint8_t> buffer(10 * P, 0);
    CdgScreenSink screen(nullptr, &player, buffer);
    CdgPacketGenerator gen(screen);
    size_t offset = gen.WriteSolidTile(10, 5, 9, 0);
    // The slot is taken: the second packet goes to the next free one, and is still shown.
    offset += gen.WriteSolidTile(11, 5, 4, 0);
    EXPECT_EQ(offset, 3 * P);
    EXPECT_EQ(PacketAt(buffer, 0), CdgPacket::Tile(kCdgTileNormal, 9, 9, 5, 10, TilePattern{}));
    EXPECT_EQ(PacketAt(buffer, P), CdgPacket::Tile(kCdgTileNormal, 4, 4, 5, 11, TilePattern{}));
    EXPECT_EQ(renderer.Pixel(60, 60), 9);
    EXPECT_EQ(renderer.Pixel(66, 60), 4);
    // A screen sink without a renderer has no frame to draw previews into.
    EXPECT_FALSE(screen.HasScreen());
    EXPECT_EQ(screen.BeginFrame().pixels, nullptr);
}

TEST(CdgPacketGeneratorTiles, EachExtraColourCostsOneXorLayer)
{
    for (int k = 1; k <= 16; ++k) {
        Canvas canvas;
        // Tile (2, 3) holds the indices 16 - k ... 15, in stripes.
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 6; ++x) canvas.At(12 + x, 36 + y) = uint8_t(16 - k + (y * 6 + x) % k);
        }
        std::vector<uint8_t> buffer(32 * P, 0);
        CdgPacketGenerator gen(buffer.data(), buffer.size());
        const size_t packets = size_t(std::max(1, k - 1));
        ASSERT_EQ(gen.WriteImageTile(canvas.View(), 2, 3, 7, 9, P), packets * P) << k;

        const int base = 16 - k;
        const int second = k == 1 ? base : base + 1;
        const CdgPacket first = PacketAt(buffer, P);
        EXPECT_EQ(first.Instruction(), kCdgTileNormal);
        EXPECT_EQ(first.Data(0), base);
        EXPECT_EQ(first.Data(1), second);
        EXPECT_EQ(first.Data(2), 9);
        EXPECT_EQ(first.Data(3), 7);
        for (size_t n = 1; n < packets; ++n) {
            const CdgPacket layer = PacketAt(buffer, (1 + n) * P);
            EXPECT_EQ(layer.Instruction(), kCdgTileXor);
            EXPECT_EQ(layer.Data(0), 0);
            EXPECT_EQ(layer.Data(1), (second + int(n)) ^ base); // rising order
        }
        EXPECT_EQ(buffer[(1 + packets) * P], 0) << "no packet after the tile's run";

        // Played back, the packets give the tile exactly.
        CdgScreen renderer;
        Play(buffer, renderer);
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 6; ++x) ASSERT_EQ(renderer.Pixel(42 + x, 108 + y), canvas.At(12 + x, 36 + y)) << k;
        }
    }
}

TEST(CdgPacketGeneratorTiles, OneColourTileSetsEveryBitAndTwoColourTileMarksTheHigher)
{
    Canvas canvas;
    std::fill(canvas.pixels.begin(), canvas.pixels.end(), uint8_t(13));
    std::vector<uint8_t> buffer(8 * P, 0);
    CdgPacketGenerator gen(buffer.data(), buffer.size());
    gen.WriteImageTile(canvas.View(), 0, 0, 1, 1, 0);
    TilePattern all{};
    all.fill(0x3F);
    EXPECT_EQ(PacketAt(buffer, 0), CdgPacket::Tile(kCdgTileNormal, 13, 13, 1, 1, all));

    // Leftmost pixel of the first row and rightmost of the last row in colour 4, the rest 13.
    canvas.At(6, 12) = 4;
    canvas.At(11, 23) = 4;
    gen.WriteImageTile(canvas.View(), 1, 1, 2, 2, P);
    TilePattern marks{};
    marks.fill(0x3F);
    marks[0] = 0x1F;
    marks[11] = 0x3E;
    EXPECT_EQ(PacketAt(buffer, P), CdgPacket::Tile(kCdgTileNormal, 4, 13, 2, 2, marks));
}

TEST(CdgPacketGeneratorTiles, WholeRandomPictureSurvivesTheRoundTrip)
{
    std::mt19937 rng(1234);
    Canvas canvas;
    for (int ty = 0; ty < 16; ++ty) {
        for (int tx = 0; tx < 48; ++tx) {
            // Each tile draws from its own handful of colours, 1 to 16 of them.
            const int colours = 1 + int(rng() % 16);
            std::vector<uint8_t> palette(16);
            for (int i = 0; i < 16; ++i) palette[size_t(i)] = uint8_t(i);
            std::shuffle(palette.begin(), palette.end(), rng);
            for (int y = 0; y < 12; ++y) {
                for (int x = 0; x < 6; ++x) canvas.At(tx * 6 + x, ty * 12 + y) = palette[rng() % unsigned(colours)];
            }
        }
    }
    std::vector<uint8_t> buffer(20000 * P, 0);
    CdgPacketGenerator gen(buffer.data(), buffer.size());
    size_t offset = gen.PresetMemory(2, 0);
    for (int ty = 0; ty < 16; ++ty) {
        for (int tx = 0; tx < 48; ++tx) offset += gen.WriteImageTile(canvas.View(), tx, ty, tx + 1, ty + 1, offset);
    }
    CdgScreen renderer;
    Play(buffer, renderer);
    for (int y = 0; y < kCdgContentHeight; ++y) {
        for (int x = 0; x < kCdgContentWidth; ++x) ASSERT_EQ(renderer.Pixel(x + 6, y + 12), canvas.At(x, y)) << x << "," << y;
    }
    EXPECT_EQ(renderer.Pixel(0, 0), 2); // the border ring keeps the preset colour
}

TEST(CdgPacketGeneratorTiles, TilesOutsideThePictureWriteNothing)
{
    Canvas canvas;
    std::vector<uint8_t> buffer(8 * P, 0);
    CdgPacketGenerator gen(buffer.data(), buffer.size());
    EXPECT_EQ(gen.WriteImageTile(canvas.View(), 48, 0, 1, 1, 0), 0u);
    EXPECT_EQ(gen.WriteImageTile(canvas.View(), 0, 16, 1, 1, 0), 0u);
    EXPECT_EQ(gen.WriteImageTile(canvas.View(), -1, 0, 1, 1, 0), 0u);
    EXPECT_EQ(gen.WriteImageTile(IndexImageView{}, 0, 0, 1, 1, 0), 0u);
    EXPECT_EQ(buffer, std::vector<uint8_t>(8 * P, 0));
}

TEST(CdgPacketGeneratorTiles, ColourLayerTurnsItsPixelsFromTheBaseColour)
{
    Canvas canvas;
    std::fill(canvas.pixels.begin(), canvas.pixels.end(), uint8_t(15));
    CdgPacketGenerator gen;
    EXPECT_FALSE(gen.WriteColorLayer(canvas.View(), 3, 2, 4, 3, 12, 15).has_value());

    // Text pixels (12) and a shadow pixel (13) over background 15.
    canvas.At(18, 24) = 12;
    canvas.At(23, 35) = 12;
    canvas.At(19, 24) = 13;
    const auto layer = gen.WriteColorLayer(canvas.View(), 3, 2, 4, 3, 12, 15);
    ASSERT_TRUE(layer.has_value());
    TilePattern bits{};
    bits[0] = 0x20;
    bits[11] = 0x01;
    EXPECT_EQ(*layer, CdgPacket::Tile(kCdgTileXor, 0, 12 ^ 15, 3, 4, bits));
    EXPECT_FALSE(gen.WriteColorLayer(canvas.View(), 3, 2, 4, 3, 16, 15).has_value());
    EXPECT_FALSE(gen.WriteColorLayer(canvas.View(), 40, 20, 4, 3, 12, 15).has_value());

    // XORed over a screen of the base colour, it gives the colour exactly on its pixels.
    CdgScreen renderer;
    renderer.MemoryPreset(15);
    CdgPacketDecoder decoder(&renderer);
    decoder.ExecutePacket(layer->Span());
    EXPECT_EQ(renderer.Pixel(24, 36), 12);
    EXPECT_EQ(renderer.Pixel(29, 47), 12);
    EXPECT_EQ(renderer.Pixel(25, 36), 15);
}

TEST(CdgPacketGenerator, StateAtConstructionAndPageColours)
{
    CdgPacketGenerator gen;
    EXPECT_EQ(gen.ImageHeightPercent(), 100);
    EXPECT_EQ(gen.DrawnImageTileRows(), 16);
    EXPECT_EQ(gen.LineWidthFlag(), 1);
    gen.SetImageHeightPercent(50);
    EXPECT_EQ(gen.DrawnImageTileRows(), 8);
    gen.SetImageHeightPercent(33);
    EXPECT_EQ(gen.DrawnImageTileRows(), 5);
    gen.SetImageHeightPercent(250);
    EXPECT_EQ(gen.DrawnImageTileRows(), 16);

    CdgPacketGenerator::IMAGE_STRUCT page;
    page.graphic.SetColour(11, 0x12, 0x34, 0x56);
    page.graphic.SetColour(15, 255, 255, 255);
    const ColourTable table = CdgPacketGenerator::PageColourTable(page);
    EXPECT_EQ(table[11], MakeColourValue(0x12, 0x34, 0x56));
    EXPECT_EQ(table[15], MakeColourValue(255, 255, 255));

    std::vector<uint8_t> buffer(4 * P, 0);
    CdgPacketGenerator writer(buffer.data(), buffer.size());
    EXPECT_EQ(writer.LoadColorTable(page, 0), 2 * P);
    EXPECT_EQ(PacketAt(buffer, P).Data(6), 0x04); // entry 11: r 1, g 3, b 5 -> 0x04, 0x35
    EXPECT_EQ(PacketAt(buffer, P).Data(7), 0x35);
}
