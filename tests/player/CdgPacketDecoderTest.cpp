#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <vector>

#include "cdg/CdgPacket.h"
#include "player/CdgPacketDecoder.h"
#include "player/CdgScreen.h"
#include "player/CdgScreenPicture.h"
#include "player/RecordingPresenter.h"

namespace {

CdgPacket Raw(uint8_t command, uint8_t instruction, std::initializer_list<uint8_t> data)
{
    CdgPacket p;
    p.bytes[0] = command;
    p.bytes[1] = instruction;
    size_t i = 4;
    for (uint8_t d : data) p.bytes[i++] = d;
    return p;
}

// A plain tile packet with every pixel of colour 1 and the row, column and colour bytes as given.
CdgPacket SolidTile(uint8_t colour0, uint8_t colour1, uint8_t row, uint8_t column)
{
    return Raw(0x09, kCdgTileNormal, {colour0, colour1, row, column, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F,
                                      0x3F, 0x3F, 0x3F, 0x3F});
}

struct Fixture {
    CdgScreen renderer;
    CdgPacketDecoder decoder{&renderer};
    RecordingPresenter window;
    Fixture() { renderer.AttachWindow(&window); }
    void Run(const CdgPacket& p) { decoder.ExecutePacket(p.Span()); }
};

} // namespace

TEST(CdgPacketDecoder, OnlyGraphicsCommandsAreExecuted)
{
    Fixture f;
    for (uint8_t command : {0x00, 0x08, 0x0A, 0x19, 0x39, 0x01}) f.Run(Raw(command, kCdgMemoryPreset, {4}));
    EXPECT_EQ(f.renderer.MemoryColour(), 0);
    EXPECT_TRUE(f.window.calls.empty());
    f.Run(Raw(0x49, kCdgMemoryPreset, {4}));
    EXPECT_EQ(f.renderer.MemoryColour(), 4);
    // The instruction keeps its low 6 bits.
    f.Run(Raw(0xC9, 0x40 | kCdgBorderPreset, {6}));
    EXPECT_EQ(f.renderer.BorderColour(), 6);
    // Unknown instructions do nothing.
    f.window.calls.clear();
    for (uint8_t instruction : {0, 3, 7, 21, 25, 29, 32, 39, 63}) f.Run(Raw(0x09, instruction, {1, 1, 1, 1, 0x3F}));
    EXPECT_TRUE(f.window.calls.empty());
    EXPECT_EQ(f.renderer.Pixel(6, 12), 4);

    // Without a renderer every packet is ignored.
    CdgPacketDecoder idle;
    idle.ExecutePacket(CdgPacket::MemoryPreset(3, 0).Span());
}

TEST(CdgPacketDecoder, PresetsAndTransparentColourTakeSixBitsAndIgnoreTheRepeat)
{
    Fixture f;
    f.Run(Raw(0x09, kCdgMemoryPreset, {0x45, 9})); // colour 5, repeat 9: executed all the same
    EXPECT_EQ(f.renderer.MemoryColour(), 5);
    EXPECT_EQ(f.renderer.Pixel(100, 100), 5);
    f.Run(Raw(0x09, kCdgMemoryPreset, {0x14})); // 20: fills with the previous colour
    EXPECT_EQ(f.renderer.MemoryColour(), 5);
    f.Run(Raw(0x09, kCdgBorderPreset, {0x1F}));
    EXPECT_EQ(f.renderer.BorderColour(), 0);
    f.Run(Raw(0x09, kCdgDefineTransparent, {0x15}));
    EXPECT_FALSE(f.renderer.TransparentSet());
    f.Run(Raw(0x09, kCdgDefineTransparent, {0x4E}));
    EXPECT_TRUE(f.renderer.TransparentSet());
    EXPECT_EQ(f.renderer.TransparentColour(), 14);
}

TEST(CdgPacketDecoder, TilesOfChannelsZeroAndOneAreDrawn)
{
    Fixture f;
    f.Run(SolidTile(0x00, 0x10 | 3, 2, 2)); // channel 1
    EXPECT_EQ(f.renderer.Pixel(12, 24), 3);
    f.Run(SolidTile(0x10, 4, 3, 3)); // channel 4
    f.Run(SolidTile(0x00, 0x20 | 4, 3, 3)); // channel 2
    f.Run(SolidTile(0x30, 0x30 | 4, 3, 3)); // channel 15
    EXPECT_EQ(f.renderer.Pixel(18, 36), 0);
    f.Run(SolidTile(0xC0, 0xC0 | 4, 3, 3)); // the top two bits carry no channel
    EXPECT_EQ(f.renderer.Pixel(18, 36), 4);

    // XOR tiles follow the same rule.
    f.Run(Raw(0x09, kCdgTileXor, {0x00, 0x20 | 1, 3, 3, 0x3F}));
    EXPECT_EQ(f.renderer.Pixel(18, 36), 4);
    f.Run(Raw(0x09, kCdgTileXor, {0x00, 0x10 | 1, 3, 3, 0x3F}));
    EXPECT_EQ(f.renderer.Pixel(18, 36), 5);
}

TEST(CdgPacketDecoder, RowAndColumnBytes)
{
    struct Case {
        uint8_t rowByte, columnByte;
        int row, column; // -1: nothing drawn
    };
    const Case cases[] = {{17, 49, 17, 49}, {80, 5, 16, 5},  {81, 5, -1, -1}, {100, 5, -1, -1}, {127, 5, -1, -1},
                          {128 + 3, 5, 3, 5}, {66, 5, 2, 5},  {18, 5, -1, -1}, {31, 5, -1, -1},  {4, 0x40 | 7, 4, 7},
                          {4, 50, -1, -1},   {4, 63, -1, -1}};
    for (const Case& c : cases) {
        Fixture f;
        f.renderer.BorderPreset(2);
        f.window.calls.clear();
        f.Run(SolidTile(0, 9, c.rowByte, c.columnByte));
        int drawn = 0;
        for (int y = 0; y < 216; ++y) {
            for (int x = 0; x < 300; ++x) drawn += f.renderer.Pixel(x, y) == 9;
        }
        if (c.row < 0) {
            EXPECT_EQ(drawn, 0) << int(c.rowByte) << "," << int(c.columnByte);
            // Nothing drawn: the whole screen is presented again instead.
            ASSERT_EQ(f.window.calls.size(), 5u);
            EXPECT_EQ(f.window.calls[0].destination, (CdgRect{6, 12, 294, 204}));
        } else {
            EXPECT_EQ(drawn, 72) << int(c.rowByte);
            EXPECT_EQ(f.renderer.Pixel(c.column * 6 + 5, c.row * 12 + 11), 9) << int(c.rowByte);
        }
    }
}

TEST(CdgPacketDecoder, ScrollFields)
{
    Fixture f;
    // Scroll Preset: colour 0x1C -> 12; horizontal command 2, offset 5; vertical command 3
    // (no direction), offset 11.
    f.Run(SolidTile(0, 7, 5, 49));
    f.Run(Raw(0x09, kCdgScrollPreset, {0x1C, 0x25, 0x3B}));
    EXPECT_EQ(f.renderer.HorizontalOffset(), 5);
    EXPECT_EQ(f.renderer.VerticalOffset(), 11);
    EXPECT_EQ(f.renderer.Pixel(288, 60), 7); // the tile moved 6 left
    EXPECT_EQ(f.renderer.Pixel(294, 60), 12); // the vacated strip takes the colour
    EXPECT_EQ(f.renderer.Pixel(299, 0), 12);

    // Scroll Copy: top bits ignored, command 1 and offset 7 across, command 1 and offset 15 down.
    f.Run(Raw(0x09, kCdgScrollCopy, {0x3F, 0x40 | 0x17, 0x1F}));
    EXPECT_EQ(f.renderer.HorizontalOffset(), 7);
    EXPECT_EQ(f.renderer.VerticalOffset(), 15);
    EXPECT_EQ(f.renderer.Pixel(294, 72), 7); // back right by 6, down by 12
    EXPECT_EQ(f.renderer.Pixel(0, 12), 12); // x 294-299 wrapped round to x 0-5
}

TEST(CdgPacketDecoder, ColourLoadsDecodeAndRepeatedTablesCostNothing)
{
    Fixture f;
    // The first table of all black equals the cleared cache: no redraw.
    const std::array<uint32_t, 8> black{};
    f.Run(CdgPacket::LoadColours(kCdgLoadColoursLow, black));
    EXPECT_TRUE(f.window.calls.empty());

    CdgPacket low = Raw(0x09, kCdgLoadColoursLow, {0x3F, 0x3F, 0x00, 0x12, 0xC0 | 0x21, 0x02});
    f.Run(low);
    EXPECT_EQ(f.renderer.Colour(0), MakeColourValue(255, 255, 255));
    EXPECT_EQ(f.renderer.Colour(1), MakeColourValue(0, 17, 34));
    EXPECT_EQ(f.renderer.Colour(2), MakeColourValue(136, 68, 34));
    EXPECT_EQ(f.renderer.Colour(3), 0u);
    EXPECT_EQ(f.window.calls.size(), 5u); // one full redraw
    EXPECT_EQ(f.decoder.ColourCache()[0], MakeColourValue(255, 255, 255));

    // The same colours again, even with different top bits: nothing happens.
    f.window.calls.clear();
    low.bytes[8] = 0x21;
    f.Run(low);
    EXPECT_TRUE(f.window.calls.empty());

    // The high half has its own cache: the same bytes there load entries 8-15.
    low.bytes[1] = kCdgLoadColoursHigh;
    f.Run(low);
    EXPECT_EQ(f.renderer.Colour(8), MakeColourValue(255, 255, 255));
    EXPECT_EQ(f.renderer.Colour(10), MakeColourValue(136, 68, 34));
    EXPECT_EQ(f.window.calls.size(), 5u);
    EXPECT_EQ(f.decoder.ColourCache()[9], MakeColourValue(0, 17, 34));

    // A changed half loads again. The renderer's table changed directly does not fool the cache:
    // only what the packets carried counts.
    f.renderer.LoadColours(0, 8, black);
    f.window.calls.clear();
    low.bytes[1] = kCdgLoadColoursLow;
    f.Run(low);
    EXPECT_TRUE(f.window.calls.empty());
    EXPECT_EQ(f.renderer.Colour(0), 0u);
}

TEST(CdgPacketDecoder, RandomPacketsNeverBreakTheInterpreter)
{
    // A few megabytes of noise, half of it disguised as graphics packets of the known
    // instructions, shown in a presenter of awkward size (and, for a stretch, in a snapshot:
    // its full-screen copies are too slow under the sanitizers for the whole run).
    CdgScreen renderer;
    CdgPacketDecoder decoder(&renderer);
    RecordingPresenter odd({3, 5, 140, 77});
    renderer.AttachWindow(&odd);
    auto snapshot = std::make_unique<CdgScreenPicture>(2);
    renderer.AttachWindow(snapshot.get());
    std::mt19937 rng(20240607);
    const uint8_t known[] = {1, 2, 6, 20, 24, 28, 30, 31, 38};
    constexpr size_t kPackets = 4 * 1024 * 1024 / 24;
    std::array<uint8_t, 24> p;
    for (size_t n = 0; n < kPackets; ++n) {
        for (auto& b : p) b = uint8_t(rng());
        if (n % 2 == 0) {
            p[0] = uint8_t((p[0] & 0xC0) | 0x09);
            p[1] = uint8_t((p[1] & 0xC0) | known[rng() % sizeof known]);
        }
        // Now and then run a stretch with presents suppressed, like a catch-up.
        if (n % 4096 == 0) renderer.SetSuppressPresent(!renderer.SuppressPresent());
        decoder.ExecutePacket(p);
        odd.calls.clear();
        if (n == 2048) snapshot.reset();
    }
    for (int y = 0; y < 216; ++y) {
        for (int x = 0; x < 300; ++x) ASSERT_LT(renderer.Pixel(x, y), 16);
    }
    EXPECT_LE(renderer.HorizontalOffset(), 7);
    EXPECT_LE(renderer.VerticalOffset(), 15);
    EXPECT_LT(renderer.MemoryColour(), 16);
    EXPECT_LT(renderer.BorderColour(), 16);
}
