#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "cdg/CdgPacket.h"
#include "player/CdgPacketDecoder.h"
#include "player/CdgScreen.h"
#include "player/CdgScreenPicture.h"
#include "player/CdgStreamSnapshot.h"
#include "player/RecordingPresenter.h"

namespace {

CdgPacket Raw(uint8_t instruction, std::initializer_list<uint8_t> data)
{
    CdgPacket p = CdgPacket::Graphics(instruction);
    size_t i = 0;
    for (uint8_t d : data) p.Data(i++) = d;
    return p;
}

CdgPacket Tile(uint8_t instruction, uint8_t b0, uint8_t b1, uint8_t row, uint8_t column, uint8_t pattern)
{
    CdgPacket p = Raw(instruction, {b0, b1, row, column});
    for (size_t i = 0; i < 12; ++i) p.Data(4 + i) = (i % 2) ? uint8_t(~pattern & 0x3F) : pattern;
    return p;
}

// A plain model of the frame: what each packet of the story below must do to it.
struct Model {
    std::vector<uint8_t> px = std::vector<uint8_t>(300 * 216, 0);
    uint8_t& At(int x, int y) { return px[size_t(y) * 300 + size_t(x)]; }
    void Tile(int row, int column, int c0, int c1, uint8_t pattern, bool isXor)
    {
        for (int i = 0; i < 12; ++i) {
            const uint8_t bits = (i % 2) ? uint8_t(~pattern & 0x3F) : pattern;
            for (int j = 0; j < 6; ++j) {
                const int c = (bits & (0x20 >> j)) ? c1 : c0;
                uint8_t& p = At(column * 6 + j, row * 12 + i);
                p = isXor ? uint8_t(p ^ c) : uint8_t(c);
            }
        }
    }
    void Move(int dx, int dy, int fill)
    {
        std::vector<uint8_t> out(px.size());
        for (int y = 0; y < 216; ++y) {
            for (int x = 0; x < 300; ++x) {
                const int sx = x - dx, sy = y - dy;
                const bool vacated = sx < 0 || sx >= 300 || sy < 0 || sy >= 216;
                out[size_t(y) * 300 + size_t(x)] =
                    (vacated && fill >= 0) ? uint8_t(fill) : px[size_t((sy + 216) % 216) * 300 + size_t((sx + 300) % 300)];
            }
        }
        px = out;
    }
};

} // namespace

TEST(CdgStreamPicture, EveryInstructionTogetherGivesTheExpectedScreen)
{
    std::array<uint32_t, 16> table{};
    for (int i = 0; i < 16; ++i) table[size_t(i)] = MakeColourValue(uint8_t(17 * i), uint8_t(17 * (15 - i)), uint8_t(17 * ((5 * i) % 16)));
    const auto low = CdgPacket::LoadColours(kCdgLoadColoursLow, std::span<const uint32_t, 8>(table.data(), 8));
    const auto high = CdgPacket::LoadColours(kCdgLoadColoursHigh, std::span<const uint32_t, 8>(table.data() + 8, 8));

    std::vector<CdgPacket> story = {low, high};
    for (int r = 0; r < 16; ++r) story.push_back(CdgPacket::MemoryPreset(1, r));
    story.push_back(CdgPacket::BorderPreset(2));
    story.push_back(Raw(kCdgDefineTransparent, {3}));
    story.push_back(Tile(kCdgTileNormal, 4, 5, 2, 3, 0x2A));            // channel 0
    story.push_back(Tile(kCdgTileNormal, 0x10 | 6, 0x10 | 6, 2, 4, 0)); // channel 5: ignored
    story.push_back(Tile(kCdgTileNormal, 6, 0x10 | 6, 2, 5, 0));        // channel 1
    story.push_back(Tile(kCdgTileNormal, 8, 9, 16, 48, 0x07));          // last visible tile
    story.push_back(Tile(kCdgTileNormal, 10, 11, 0, 7, 0x15));          // top border row
    story.push_back(Tile(kCdgTileXor, 0, 15, 2, 3, 0x38));              // XOR over the first tile
    story.push_back(Tile(kCdgTileXor, 1, 2, 2, 9, 0x3F));               // XOR over the memory colour
    story.push_back(Tile(kCdgTileNormal, 12, 12, 90, 3, 0));            // row byte 90: out of range
    story.push_back(Tile(kCdgTileNormal, 12, 12, 2, 50, 0));            // column 50: out of range
    story.push_back(Tile(kCdgTileNormal, 12, 12, 18, 3, 0));            // row 18: out of range
    const size_t cacheHits = story.size();                              // colour-cache hits
    story.push_back(low);
    story.push_back(high);
    story.push_back(CdgPacket::ScrollCopy(2, 3, 0, 0));                 // left, wrapping round
    story.push_back(Raw(kCdgScrollPreset, {7, 0x00 | 3, 0x10 | 5}));    // down, filling with 7
    story.push_back(CdgPacket::ScrollCopy(1, 3, 2, 5));                 // right and up together
    story.push_back(Raw(kCdgScrollPreset, {13, 0x20 | 3, 0x00 | 5}));   // left, filling with 13
    story.push_back(Raw(kCdgScrollCopy, {0, 0x30 | 3, 0x30 | 5}));      // command 3: offsets only
    story.push_back(CdgPacket());                                      // an empty packet

    Model m;
    std::fill(m.px.begin(), m.px.end(), uint8_t(1));
    m.Tile(2, 3, 4, 5, 0x2A, false);
    m.Tile(2, 5, 6, 6, 0, false);
    m.Tile(16, 48, 8, 9, 0x07, false);
    m.Tile(0, 7, 10, 11, 0x15, false);
    m.Tile(2, 3, 0, 15, 0x38, true);
    m.Tile(2, 9, 1, 2, 0x3F, true);
    m.Move(-6, 0, -1);
    m.Move(0, 12, 7);
    m.Move(6, -12, -1);
    m.Move(-6, 0, 13);

    std::vector<uint8_t> stream;
    for (const CdgPacket& p : story) stream.insert(stream.end(), p.bytes.begin(), p.bytes.end());

    // Caught up in one go, the way a player starts in the middle of a song.
    CdgStreamSnapshot caughtUp(stream);
    caughtUp.ExecuteUntil(story.size());
    const RgbImage& shown = caughtUp.Show();
    const CdgScreen& r = caughtUp.Renderer();
    EXPECT_EQ(r.TransparentColour(), 3);
    EXPECT_EQ(r.HorizontalOffset(), 3);
    EXPECT_EQ(r.VerticalOffset(), 5);
    for (int y = 0; y < 216; ++y) {
        for (int x = 0; x < 300; ++x) {
            ASSERT_EQ(r.Pixel(x, y), m.At(x, y)) << "frame " << x << "," << y;
            const bool inner = x >= 6 && x < 294 && y >= 12 && y < 204;
            // The screen looks at the frame through the fine offsets.
            const uint32_t want = inner ? table[m.At(x + 3, y + 5)] : table[2];
            ASSERT_EQ(shown.ColourAt(x, y), want) << "screen " << x << "," << y;
        }
    }

    // Played packet by packet with every present reaching the screen, the picture ends the
    // same; the repeated colour tables redraw nothing.
    CdgScreen live;
    CdgPacketDecoder decoder(&live);
    CdgScreenPicture liveShot;
    RecordingPresenter calls;
    live.AttachWindow(&liveShot);
    live.AttachWindow(&calls);
    for (size_t n = 0; n < story.size(); ++n) {
        calls.calls.clear();
        decoder.ExecutePacket(story[n].Span());
        if (n == cacheHits || n == cacheHits + 1) {
            EXPECT_TRUE(calls.calls.empty()) << n;
        } else if (n < 2) {
            EXPECT_FALSE(calls.calls.empty()) << n;
        }
    }
    EXPECT_EQ(liveShot.Image().pixels, shown.pixels);
}
