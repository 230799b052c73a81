#include <gtest/gtest.h>

#include <map>

#include "cdg/CdgPacketGenerator.h"
#include "cdg/PageWriter.h"
#include "cdg/StreamTestSupport.h"
#include "project/ImageStruct.h"
#include "project/KaraokeSong.h"

namespace {

// A canvas where every tile holds two colours and tells where it belongs.
PageCanvas Pattern()
{
    PageCanvas canvas;
    for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x)
            canvas.Set(x, y, uint8_t((x / 6 + y / 12) % 2 == 0 ? (x + y) % 3 + 1 : 15));
    return canvas;
}

// Two colours in every tile: one packet a tile.
PageCanvas Checker()
{
    PageCanvas canvas;
    for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x) canvas.Set(x, y, uint8_t((x + y) % 2 ? 1 : 15));
    return canvas;
}

ColourTable Table()
{
    ColourTable t{};
    for (size_t i = 0; i < t.size(); ++i) t[i] = MakeColourValue(uint8_t(i * 16), uint8_t(255 - i * 16), 0x40);
    return t;
}

struct TransitionRun {
    std::vector<uint8_t> buffer = std::vector<uint8_t>(4 << 20, 0);
    size_t used = 0;
    std::vector<StreamPacket> packets;
};

TransitionRun Transition(int transition, int heightPercent = 100, const PageCanvas& canvas = Checker())
{
    TransitionRun run;
    CdgPacketGenerator generator(run.buffer.data(), run.buffer.size());
    generator.SetImageHeightPercent(heightPercent);
    run.used = RunTransition(generator, canvas, transition, Table(), 15, 0);
    run.packets = Packets(std::span(run.buffer).first(run.used));
    return run;
}

std::vector<std::pair<int, int>> TileOrder(const TransitionRun& run)
{
    std::vector<std::pair<int, int>> order;
    for (const auto& p : run.packets)
        if (p.instruction == kCdgTileNormal) order.emplace_back(p.Column(), p.Row());
    return order;
}

} // namespace

TEST(PageWriter, FillsBringTilesInTheirOrder)
{
    const TransitionRun down = Transition(kFillDown);
    const auto order = TileOrder(down);
    ASSERT_EQ(order.size(), 768u);
    EXPECT_EQ(order[0], std::make_pair(1, 1));
    EXPECT_EQ(order[1], std::make_pair(2, 1));
    EXPECT_EQ(order[48], std::make_pair(1, 2));
    // Each two-colour tile is one packet; the run is contiguous.
    EXPECT_EQ(down.used, 768 * kCdgPacketBytes);

    const auto right = TileOrder(Transition(kFillRight));
    EXPECT_EQ(right[1], std::make_pair(1, 2));
    EXPECT_EQ(right[16], std::make_pair(2, 1));
    const auto left = TileOrder(Transition(kFillLeft));
    EXPECT_EQ(left[0], std::make_pair(48, 1));
    const auto up = TileOrder(Transition(kFillUp));
    EXPECT_EQ(up[0], std::make_pair(1, 16));

    // The lyrics picture with a share of 50: rows 1-8 only, Fill Up from image row 7.
    const auto half = TileOrder(Transition(kFillUp, 50));
    ASSERT_EQ(half.size(), 8u * 48);
    EXPECT_EQ(half[0], std::make_pair(1, 8));
    EXPECT_EQ(half.back(), std::make_pair(48, 1));
    EXPECT_EQ(TileOrder(Transition(kFillDown, 50)).size(), 8u * 48);
}

TEST(PageWriter, EveryTransitionLeavesThePictureOnTheScreen)
{
    const PageCanvas canvas = Pattern();
    for (int t : {kFillRight, kFillLeft, kFillDown, kFillUp, kScrollRight, kScrollLeft, kScrollDown, kScrollUp,
                  kBlockDissolve, kFadeIn}) {
        SCOPED_TRACE(TransitionName(t));
        const TransitionRun run = Transition(t, 100, canvas);
        CdgStreamSnapshot player(std::span(run.buffer).first(run.used));
        player.ExecuteUntil(player.PacketCount());
        EXPECT_EQ(player.Renderer().HorizontalOffset(), 0);
        EXPECT_EQ(player.Renderer().VerticalOffset(), 0);
        const PageCanvas screen = ScreenAfter(std::span(run.buffer).first(run.used));
        ASSERT_EQ(screen.pixels, canvas.pixels);
    }
    EXPECT_EQ(Transition(11).used, 0u);
    EXPECT_EQ(Transition(-1).used, 0u);
    EXPECT_STREQ(TransitionName(kBlockDissolve), "Block Dissolve");
}

TEST(PageWriter, ScrollsStageColumnsInTheBorderAndStepTheOffsets)
{
    const TransitionRun right = Transition(kScrollRight);
    // First packet: offset h 5; then column 47's tiles at screen column 0 with h 4 after row 3.
    ASSERT_EQ(right.packets[0].instruction, kCdgScrollCopy);
    EXPECT_EQ(right.packets[0].HorizontalOffset(), 5);
    EXPECT_EQ(right.packets[1].Column(), 0);
    EXPECT_EQ(right.packets[1].Row(), 1);
    EXPECT_EQ(right.packets[5].instruction, kCdgScrollCopy);
    EXPECT_EQ(right.packets[5].HorizontalOffset(), 4);
    // Per column: 16 tiles, 5 offsets, 1 scroll; then five closing offsets.
    size_t scrolls = 0, commands = 0;
    for (const auto& p : right.packets)
        if (p.instruction == kCdgScrollCopy) {
            ++scrolls;
            if (p.HorizontalCommand() == 1) ++commands;
        }
    EXPECT_EQ(commands, 48u);
    EXPECT_EQ(scrolls, 1u + 48 * 6 + 5);

    const TransitionRun down = Transition(kScrollDown);
    EXPECT_EQ(down.packets[0].VerticalOffset(), 11);
    // Row 15 first, staged in row 0, an offset after columns 4, 8, ..., 44.
    EXPECT_EQ(down.packets[1].Row(), 0);
    EXPECT_EQ(down.packets[1].Column(), 1);
    EXPECT_EQ(down.packets[6].instruction, kCdgScrollCopy);
    EXPECT_EQ(down.packets[6].VerticalOffset(), 10);
    EXPECT_EQ(down.packets.back().VerticalOffset(), 0);

    const TransitionRun up = Transition(kScrollUp);
    EXPECT_EQ(up.packets.back().VerticalCommand(), 2);
    const TransitionRun leftward = Transition(kScrollLeft);
    EXPECT_EQ(leftward.packets.back().HorizontalCommand(), 2);
}

TEST(PageWriter, BlockDissolveDrawsEveryTileOnceInARandomOrder)
{
    SetDissolveSeedForTesting(1234);
    const auto order = TileOrder(Transition(kBlockDissolve));
    ASSERT_EQ(order.size(), 768u);
    const std::set<std::pair<int, int>> distinct(order.begin(), order.end());
    EXPECT_EQ(distinct.size(), 768u);
    EXPECT_NE(order, TileOrder(Transition(kFillDown)));
    const auto half = TileOrder(Transition(kBlockDissolve, 50));
    EXPECT_EQ(half.size(), 384u);
    for (const auto& [c, r] : half) EXPECT_LE(r, 8);
    SetDissolveSeedForTesting(1);
    EXPECT_NE(TileOrder(Transition(kBlockDissolve)), order);
    SetDissolveSeedForTesting(std::nullopt);
}

TEST(PageWriter, FadesWorkOnTheColourTableAlone)
{
    const TransitionRun in = Transition(kFadeIn);
    ASSERT_EQ(in.packets.size(), 2 + 768 + 256u);
    // First table: every entry the background; the tiles follow invisibly.
    EXPECT_EQ(in.packets[0].instruction, kCdgLoadColoursLow);
    EXPECT_EQ(in.packets[2].instruction, kCdgTileNormal);
    EXPECT_EQ(in.packets.back().instruction, kCdgLoadColoursHigh);

    const TransitionRun out = Transition(kFadeOut);
    ASSERT_EQ(out.packets.size(), 288u);
    for (const auto& p : out.packets) EXPECT_TRUE(p.instruction == kCdgLoadColoursLow || p.instruction == kCdgLoadColoursHigh);
    CdgStreamSnapshot player(std::span(out.buffer).first(out.used));
    player.ExecuteUntil(player.PacketCount());
    const ColourTable table = Table();
    const uint32_t background = ChannelsToColour(ColourToChannels(table[15]));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(player.Renderer().Colour(i), background) << i;

    // An entry equal to the background never changes during a fade in.
    CdgStreamSnapshot steps(std::span(in.buffer).first(in.used));
    for (size_t n = 2; n <= steps.PacketCount(); ++n) { // from the first whole table
        steps.ExecuteUntil(n);
        ASSERT_EQ(steps.Renderer().Colour(15), ChannelsToColour(ColourToChannels(table[15])));
    }
}

TEST(PageWriter, PagesResetTwiceDrawHoldAndEraseTheTitle)
{
    KaraokeSong song;
    IMAGE_STRUCT& title = *song.FindPage(kPageTitle);
    title.text = "";
    title.drawTransition = kFillDown;
    title.eraseTransition = kFillDown;
    title.holdTime = 200;
    std::vector<uint8_t> buffer(4 << 20, 0);
    CdgPacketGenerator generator(buffer.data(), buffer.size());
    const size_t used = WritePage(generator, title, true, 0);
    // 38 reset packets, 768 one-colour tiles, 600 empty hold packets, 768 erase tiles.
    EXPECT_EQ(used, (38 + 768 + 600 + 768) * kCdgPacketBytes);
    const auto packets = Packets(std::span(buffer).first(used));
    ASSERT_EQ(packets.size(), 38 + 768 + 768u);
    EXPECT_EQ(packets[0].instruction, kCdgLoadColoursLow);
    EXPECT_EQ(packets[2].instruction, kCdgMemoryPreset);
    EXPECT_EQ(packets[18].instruction, kCdgBorderPreset);
    EXPECT_EQ(packets[38 + 767].index, 38 + 767u);
    EXPECT_EQ(packets[38 + 768].index, 38 + 768 + 600u);

    // A credits page has no erase.
    std::vector<uint8_t> again(4 << 20, 0);
    CdgPacketGenerator g2(again.data(), again.size());
    EXPECT_EQ(WritePage(g2, *song.FindPage(kPageCredits), false, 0), (38 + 768 + 600) * kCdgPacketBytes);

    // A picture that cannot be shown writes no page.
    title.hasGraphic = 1;
    title.graphic.header.width = 0;
    EXPECT_EQ(WritePage(g2, title, true, 0), 0u);
}

TEST(PageWriter, TextPagesDrawTheirTextInTheirColours)
{
    KaraokeSong song;
    IMAGE_STRUCT& page = *song.FindPage(kPageCredits);
    page.text = "Thanks\nfor singing";
    page.drawTransition = kFillRight;
    std::vector<uint8_t> buffer(4 << 20, 0);
    CdgPacketGenerator generator(buffer.data(), buffer.size());
    const size_t used = WritePage(generator, page, false, 0);
    const PageCanvas screen = ScreenAfter(std::span(buffer).first(used));
    const PageCanvas expected =
        TextPageCanvas(page.text, page.style, &page.lineStyles, 15, CdgPacketGenerator::PageColourTable(page), true);
    EXPECT_EQ(screen.pixels, expected.pixels);
    EXPECT_EQ(std::set<int>(screen.pixels.begin(), screen.pixels.end()), (std::set<int>{12, 15}));
}
