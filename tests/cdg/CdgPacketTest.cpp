#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "cdg/CdgColour.h"
#include "cdg/CdgPacket.h"

namespace {

std::vector<uint8_t> Bytes(const CdgPacket& p)
{
    return std::vector<uint8_t>(p.bytes.begin(), p.bytes.end());
}

// Command 9, the instruction, zero parity, then the data bytes given, the rest zero.
std::vector<uint8_t> Expected(uint8_t instruction, std::vector<uint8_t> data)
{
    std::vector<uint8_t> p(24, 0);
    p[0] = 0x09;
    p[1] = instruction;
    for (size_t i = 0; i < data.size(); ++i) p[4 + i] = data[i];
    return p;
}

} // namespace

TEST(CdgPacket, PresetsCarryMaskedColourAndRepeat)
{
    EXPECT_EQ(Bytes(CdgPacket::MemoryPreset(7, 15)), Expected(1, {7, 15}));
    // Only the low 6 bits of a field are written.
    EXPECT_EQ(Bytes(CdgPacket::MemoryPreset(0x47, 0x41)), Expected(1, {0x07, 0x01}));
    EXPECT_EQ(Bytes(CdgPacket::BorderPreset(11)), Expected(2, {11}));
    EXPECT_EQ(Bytes(CdgPacket::BorderPreset(0xFF)), Expected(2, {0x3F}));
}

TEST(CdgPacket, TilesCarryColoursPositionAndPatternWithTheirMasks)
{
    TilePattern pattern{};
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = uint8_t(i * 5);
    std::vector<uint8_t> data = {3, 12, 16, 48};
    for (uint8_t b : pattern) data.push_back(b);
    EXPECT_EQ(Bytes(CdgPacket::Tile(kCdgTileNormal, 3, 12, 16, 48, pattern)), Expected(6, data));

    // Colours keep 4 bits, the row 5, the column 6, each pattern row 6.
    TilePattern wide{};
    wide.fill(0xFF);
    std::vector<uint8_t> masked = {0x0F, 0x01, 0x05, 0x3F};
    masked.insert(masked.end(), 12, 0x3F);
    EXPECT_EQ(Bytes(CdgPacket::Tile(kCdgTileXor, 0x1F, 0x11, 0x25, 0x7F, wide)), Expected(38, masked));
}

TEST(CdgPacket, ScrollCopyPacksCommandsAndOffsets)
{
    // Horizontal: command 2 x 16 + offset 5; vertical: command 1 x 16 + offset 11.
    EXPECT_EQ(Bytes(CdgPacket::ScrollCopy(2, 5, 1, 11)), Expected(24, {0, 0x25, 0x1B}));
    EXPECT_EQ(Bytes(CdgPacket::ScrollCopy(0, 3, 0, 0)), Expected(24, {0, 0x03, 0x00}));
    // Commands keep bits 4-5, the horizontal offset 3 bits, the vertical offset 4.
    EXPECT_EQ(Bytes(CdgPacket::ScrollCopy(5, 9, 6, 0x1F)), Expected(24, {0, 0x11, 0x2F}));
}

TEST(CdgPacket, LoadColourTableUsesTheTwoByteForm)
{
    const std::array<uint32_t, 8> low = {MakeColourValue(255, 255, 255), MakeColourValue(16, 33, 34),
                                         MakeColourValue(0, 0, 0),       MakeColourValue(255, 0, 0),
                                         MakeColourValue(0, 255, 0),     MakeColourValue(0, 0, 255),
                                         MakeColourValue(0x88, 0x44, 0x22), MakeColourValue(254, 254, 254)};
    EXPECT_EQ(Bytes(CdgPacket::LoadColours(kCdgLoadColoursLow, low)),
              Expected(30, {0x3F, 0x3F, 0x00, 0x12, 0x00, 0x00, 0x3C, 0x00, 0x03, 0x30, 0x00, 0x0F, 0x21, 0x02,
                            0x3B, 0x2E}));
    EXPECT_EQ(CdgPacket::LoadColours(kCdgLoadColoursHigh, low).bytes[1], 31);
}

TEST(CdgColour, EightBitChannelsBecomeFourBitsByWholeDivision)
{
    const std::array<std::pair<int, int>, 7> cases = {{{0, 0}, {16, 0}, {17, 1}, {33, 1}, {34, 2}, {254, 14}, {255, 15}}};
    for (const auto& [in, out] : cases) {
        const CdgChannels c = ColourToChannels(MakeColourValue(uint8_t(in), uint8_t(in), uint8_t(in)));
        EXPECT_EQ(c, (CdgChannels{uint8_t(out), uint8_t(out), uint8_t(out)})) << in;
    }
    EXPECT_EQ(ColourToChannels(MakeColourValue(16, 33, 34)), (CdgChannels{0, 1, 2}));
    // The fourth byte of a colour value is never read.
    EXPECT_EQ(ColourToChannels(0xFF000000u | MakeColourValue(0, 17, 255)), (CdgChannels{0, 1, 15}));
}

TEST(CdgColour, TwoByteFormDecodesToEightBitChannels)
{
    EXPECT_EQ(ChannelsToColour(DecodeColourPair(0x3F, 0x3F)), MakeColourValue(255, 255, 255));
    EXPECT_EQ(ChannelsToColour(DecodeColourPair(0x00, 0x12)), MakeColourValue(0, 17, 34));
    // The subcode's two top bits of each byte carry nothing.
    EXPECT_EQ(DecodeColourPair(0xC0 | 0x21, 0xC0 | 0x02), (CdgChannels{8, 4, 2}));
    // Every 4-bit colour survives the trip through the packet bytes.
    for (int r = 0; r < 16; ++r) {
        for (int g = 0; g < 16; ++g) {
            for (int b = 0; b < 16; ++b) {
                const CdgChannels c{uint8_t(r), uint8_t(g), uint8_t(b)};
                const auto pair = EncodeColourPair(c);
                ASSERT_LE(pair[0], 0x3F);
                ASSERT_LE(pair[1], 0x3F);
                ASSERT_EQ(DecodeColourPair(pair[0], pair[1]), c);
                ASSERT_EQ(ColourToChannels(ChannelsToColour(c)), c);
            }
        }
    }
}

TEST(CdgColour, NearestColourIndex)
{
    ColourTable table{};
    for (int i = 0; i < 16; ++i) table[size_t(i)] = MakeColourValue(uint8_t(i * 16), uint8_t(255 - i * 16), uint8_t(i * 3));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(NearestColourIndex(table[size_t(i)], table), i);
    // (20, 230, 4) lies nearest to entry 1 (16, 239, 3).
    EXPECT_EQ(NearestColourIndex(MakeColourValue(20, 230, 4), table), 1);

    // Equal distances keep the lower index; a repeated colour maps to its first entry.
    ColourTable grey{};
    grey[3] = MakeColourValue(10, 10, 10);
    grey[4] = MakeColourValue(30, 30, 30);
    grey[9] = MakeColourValue(30, 30, 30);
    for (size_t i : {0u, 1u, 2u, 5u, 6u, 7u, 8u, 10u, 11u, 12u, 13u, 14u, 15u}) grey[i] = MakeColourValue(200, 0, 0);
    EXPECT_EQ(NearestColourIndex(MakeColourValue(20, 20, 20), grey), 3);
    EXPECT_EQ(NearestColourIndex(MakeColourValue(30, 30, 30), grey), 4);
    EXPECT_EQ(NearestColourIndex(MakeColourValue(200, 0, 0), grey), 0);
}

TEST(CdgFormat, SongPositionsMapToPacketsAndBack)
{
    EXPECT_EQ(PositionToPacket(44100), 300u);
    EXPECT_EQ(PositionToOffset(44100), 7200u);
    EXPECT_EQ(PositionToOffset(146), 0u);
    EXPECT_EQ(PositionToOffset(147), 24u);
    EXPECT_EQ(PositionToOffset(293), 24u);
    EXPECT_EQ(OffsetToPosition(7200), 44100u);
    EXPECT_EQ(OffsetToPosition(24), 147u);
    // Three minutes of song, beyond 32 bits of byte-offset arithmetic.
    EXPECT_EQ(PositionToOffset(uint64_t(44100) * 180), 7200u * 180);
    EXPECT_EQ(OffsetToPosition(uint64_t(7200) * 100000), uint64_t(44100) * 100000);
}

TEST(CdgFormat, GraphicsCommandIsModeOneItemOne)
{
    EXPECT_TRUE(IsCdgGraphicsCommand(0x09));
    EXPECT_TRUE(IsCdgGraphicsCommand(0x49)); // the top two bits carry no meaning
    EXPECT_TRUE(IsCdgGraphicsCommand(0xC9));
    EXPECT_FALSE(IsCdgGraphicsCommand(0x00));
    EXPECT_FALSE(IsCdgGraphicsCommand(0x08));
    EXPECT_FALSE(IsCdgGraphicsCommand(0x0A));
    EXPECT_FALSE(IsCdgGraphicsCommand(0x19));
    EXPECT_FALSE(IsCdgGraphicsCommand(0x39));
}
