#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <vector>

#include "player/CdgScreen.h"
#include "player/RecordingPresenter.h"

namespace {

using Call = RecordingPresenter::Call;
constexpr CdgRect kVisible{6, 12, 294, 204};

TilePattern Pattern(std::initializer_list<uint8_t> rows)
{
    TilePattern p{};
    size_t i = 0;
    for (uint8_t r : rows) p[i++] = r;
    return p;
}

// What PresentAll sends to a 300 x 216 presenter at (0, 0) with the given offsets and border.
std::vector<Call> PresentAllCalls(int h, int v, int border)
{
    return {RecordingPresenter::BlitCall({6 + h, 12 + v, 294 + h, 204 + v}, kVisible),
            RecordingPresenter::FillCall({0, 0, 300, 12}, border), RecordingPresenter::FillCall({0, 12, 6, 204}, border),
            RecordingPresenter::FillCall({0, 204, 300, 216}, border),
            RecordingPresenter::FillCall({294, 12, 300, 204}, border)};
}

// The whole frame, ring included, as a copy.
std::vector<uint8_t> Frame(const CdgScreen& r)
{
    std::vector<uint8_t> f;
    for (int y = 0; y < 216; ++y) {
        for (int x = 0; x < 300; ++x) f.push_back(r.Pixel(x, y));
    }
    return f;
}

void FillRandom(CdgScreen& r, unsigned seed)
{
    std::mt19937 rng(seed);
    const auto access = r.LockFrame();
    for (int y = 0; y < 216; ++y) {
        for (int x = 0; x < 300; ++x) access.pixels[y * access.pitch + x] = uint8_t(rng() % 16);
    }
    r.UnlockFrame();
}

} // namespace

TEST(CdgScreen, StartsBlackAndEmpty)
{
    CdgScreen r;
    EXPECT_EQ(r.Colours(), ColourTable{});
    EXPECT_EQ(r.MemoryColour(), 0);
    EXPECT_EQ(r.BorderColour(), 0);
    EXPECT_FALSE(r.TransparentSet());
    EXPECT_EQ(r.HorizontalOffset(), 0);
    EXPECT_EQ(r.VerticalOffset(), 0);
    EXPECT_EQ(Frame(r), std::vector<uint8_t>(300 * 216, 0));
    const auto access = r.LockFrame();
    EXPECT_EQ(access.pitch, 304);
    EXPECT_TRUE(r.FrameLocked());
    access.pixels[5 * 304 + 7] = 9;
    r.UnlockFrame();
    EXPECT_FALSE(r.FrameLocked());
    EXPECT_EQ(r.Pixel(7, 5), 9);
}

TEST(CdgScreen, MemoryPresetFillsTheWholeFrameAndTheVisibleAreaOnScreen)
{
    CdgScreen r;
    RecordingPresenter w;
    r.AttachWindow(&w);
    r.MemoryPreset(9);
    EXPECT_EQ(r.MemoryColour(), 9);
    EXPECT_EQ(Frame(r), std::vector<uint8_t>(300 * 216, 9));
    EXPECT_EQ(w.calls, std::vector<Call>{RecordingPresenter::FillCall(kVisible, 9)});

    // A colour beyond the table fills with the previous memory colour.
    r.DrawTile(5, 5, 1, 1, Pattern({}));
    r.MemoryPreset(20);
    EXPECT_EQ(r.MemoryColour(), 9);
    EXPECT_EQ(Frame(r), std::vector<uint8_t>(300 * 216, 9));
}

TEST(CdgScreen, RepeatedMemoryPresetsStillClearEveryChange)
{
    // Whatever wrote into the frame since, the same memory colour again clears it all.
    CdgScreen r;
    const std::vector<uint8_t> nines(300 * 216, 9);
    r.MemoryPreset(9);
    r.XorTile(3, 3, 1, 1, Pattern({}));
    r.MemoryPreset(9);
    EXPECT_EQ(Frame(r), nines);
    r.ScrollPreset(4, 1, 0, 0, 0);
    r.MemoryPreset(9);
    EXPECT_EQ(Frame(r), nines);
    r.ScrollCopy(0, 0, 2, 0);
    r.MemoryPreset(9);
    EXPECT_EQ(Frame(r), nines);
    r.LockFrame().pixels[304 * 100 + 100] = 2;
    r.UnlockFrame();
    r.MemoryPreset(9);
    EXPECT_EQ(Frame(r), nines);
    r.MemoryPreset(3);
    EXPECT_EQ(Frame(r), std::vector<uint8_t>(300 * 216, 3));
}

TEST(CdgScreen, BorderIsPaintedAsFourStripsScaledToTheClientArea)
{
    CdgScreen r;
    RecordingPresenter w({0, 0, 600, 432});
    r.AttachWindow(&w);
    r.BorderPreset(11);
    EXPECT_EQ(r.BorderColour(), 11);
    const std::vector<Call> strips = {
        RecordingPresenter::FillCall({0, 0, 600, 24}, 11), RecordingPresenter::FillCall({0, 24, 12, 408}, 11),
        RecordingPresenter::FillCall({0, 408, 600, 432}, 11), RecordingPresenter::FillCall({588, 24, 600, 408}, 11)};
    EXPECT_EQ(w.calls, strips);

    // Out-of-range colours keep the border colour but still paint.
    w.calls.clear();
    r.BorderPreset(16);
    EXPECT_EQ(r.BorderColour(), 11);
    EXPECT_EQ(w.calls, strips);
}

TEST(CdgScreen, TileDrawsItsPatternAndPresentsTheGrownRectangle)
{
    CdgScreen r;
    RecordingPresenter w;
    r.AttachWindow(&w);
    r.DrawTile(1, 1, 2, 7, Pattern({0x20, 0x01, 0x3F, 0x00, 0x15, 0xC0}));
    EXPECT_EQ(r.Pixel(6, 12), 7);
    EXPECT_EQ(r.Pixel(7, 12), 2);
    EXPECT_EQ(r.Pixel(11, 13), 7);
    EXPECT_EQ(r.Pixel(10, 13), 2);
    for (int x = 6; x < 12; ++x) EXPECT_EQ(r.Pixel(x, 14), 7);
    for (int x = 6; x < 12; ++x) EXPECT_EQ(r.Pixel(x, 15), 2);
    EXPECT_EQ(r.Pixel(7, 16), 7); // 0x15: every other pixel from the second
    EXPECT_EQ(r.Pixel(8, 16), 2);
    EXPECT_EQ(r.Pixel(6, 17), 2); // bits above bit 5 are not pixels
    EXPECT_EQ(r.Pixel(12, 12), 0); // the neighbours are untouched
    EXPECT_EQ(r.Pixel(5, 12), 0);
    EXPECT_EQ(r.Pixel(6, 24), 0);
    // (6, 12)-(12, 24) grows by one pixel but stays inside the visible area.
    EXPECT_EQ(w.calls, std::vector<Call>{RecordingPresenter::BlitCall({6, 12, 13, 25}, {6, 12, 13, 25})});

    // The last visible tile grows into the border and is clipped back.
    w.calls.clear();
    r.DrawTile(16, 48, 3, 3, Pattern({}));
    EXPECT_EQ(w.calls, std::vector<Call>{RecordingPresenter::BlitCall({287, 191, 294, 204}, {287, 191, 294, 204})});
}

TEST(CdgScreen, TilesInTheBorderChangeTheFrameOnly)
{
    CdgScreen r;
    RecordingPresenter w;
    r.AttachWindow(&w);
    r.DrawTile(0, 10, 4, 4, Pattern({}));
    r.DrawTile(10, 0, 4, 4, Pattern({}));
    EXPECT_EQ(r.Pixel(60, 0), 4);
    EXPECT_EQ(r.Pixel(0, 120), 4);
    EXPECT_TRUE(w.calls.empty());
    // Row 17 and column 49 are presented, but only the one pixel of them that shows.
    r.DrawTile(17, 20, 4, 4, Pattern({}));
    EXPECT_EQ(w.calls, std::vector<Call>{RecordingPresenter::BlitCall({119, 203, 127, 204}, {119, 203, 127, 204})});
    w.calls.clear();
    r.DrawTile(3, 49, 4, 4, Pattern({}));
    EXPECT_EQ(r.Pixel(299, 47), 4);
    EXPECT_EQ(w.calls, std::vector<Call>{RecordingPresenter::BlitCall({293, 35, 294, 49}, {293, 35, 294, 49})});
}

TEST(CdgScreen, OutOfRangeTilesDrawNothingAndPresentEverything)
{
    CdgScreen r;
    RecordingPresenter w;
    r.AttachWindow(&w);
    r.BorderPreset(5);
    FillRandom(r, 7);
    const auto before = Frame(r);
    const TilePattern all = Pattern({0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F, 0x3F});
    const std::array<std::array<int, 4>, 6> bad = {{{18, 1, 1, 1}, {1, 50, 1, 1}, {1, 1, 16, 1}, {1, 1, 1, 16},
                                                    {-1, 1, 1, 1}, {1, -3, 1, 1}}};
    for (const auto& b : bad) {
        w.calls.clear();
        r.DrawTile(b[0], b[1], b[2], b[3], all);
        r.XorTile(b[0], b[1], b[2], b[3], all);
        EXPECT_EQ(Frame(r), before);
        std::vector<Call> twice = PresentAllCalls(0, 0, 5);
        const auto again = PresentAllCalls(0, 0, 5);
        twice.insert(twice.end(), again.begin(), again.end());
        EXPECT_EQ(w.calls, twice);
    }
}

TEST(CdgScreen, XorTileCombinesWithThePixelsThere)
{
    CdgScreen r;
    r.MemoryPreset(3);
    r.XorTile(4, 7, 0, 5, Pattern({0x2A}));
    EXPECT_EQ(r.Pixel(42, 48), 6); // 3 ^ 5 where the bit is set
    EXPECT_EQ(r.Pixel(43, 48), 3); // 3 ^ 0 where it is clear
    EXPECT_EQ(r.Pixel(44, 48), 6);
    EXPECT_EQ(r.Pixel(42, 49), 3);
    r.XorTile(4, 7, 1, 5, Pattern({0x2A}));
    EXPECT_EQ(r.Pixel(42, 48), 3); // XOR twice restores
    EXPECT_EQ(r.Pixel(43, 48), 2); // 3 ^ 1
    EXPECT_EQ(r.Pixel(42, 59), 2);
    EXPECT_EQ(r.Pixel(48, 48), 3); // the next tile is untouched
    EXPECT_EQ(r.Pixel(41, 48), 3);
}

TEST(CdgScreen, ScrollsMoveTheWholeFrameByTileSteps)
{
    // Every pair of commands, copying and presetting, against the rule: the screen moves by
    // 6 or 12 pixels and the strip it vacates wraps round (copy) or takes the colour (preset).
    for (int h = 0; h < 4; ++h) {
        for (int v = 0; v < 4; ++v) {
            for (bool preset : {false, true}) {
                CdgScreen r;
                FillRandom(r, unsigned(h * 8 + v * 2 + preset));
                const auto before = Frame(r);
                const uint8_t* oldFrame = r.CurrentFrame();
                if (preset) r.ScrollPreset(13, h, 1, v, 2);
                else r.ScrollCopy(h, 1, v, 2);
                const int dx = h == 1 ? 6 : h == 2 ? -6 : 0;
                const int dy = v == 1 ? 12 : v == 2 ? -12 : 0;
                const auto after = Frame(r);
                for (int y = 0; y < 216; ++y) {
                    for (int x = 0; x < 300; ++x) {
                        const int sx = x - dx, sy = y - dy;
                        uint8_t want = before[size_t((sy + 216) % 216) * 300 + size_t((sx + 300) % 300)];
                        const bool vacated = sx < 0 || sx >= 300 || sy < 0 || sy >= 216;
                        if (preset && vacated) want = 13;
                        ASSERT_EQ(after[size_t(y) * 300 + size_t(x)], want)
                            << "h " << h << " v " << v << " preset " << preset << " at " << x << "," << y;
                    }
                }
                EXPECT_EQ(r.HorizontalOffset(), 1);
                EXPECT_EQ(r.VerticalOffset(), 2);
                // A move swaps the two frames; offsets alone (and command 3) move nothing.
                const bool moved = (h == 1 || h == 2 || v == 1 || v == 2);
                EXPECT_EQ(r.CurrentFrame() != oldFrame, moved);
            }
        }
    }
}

TEST(CdgScreen, ScrollPresentsTheWholeFrameThroughTheNewOffsets)
{
    CdgScreen r;
    RecordingPresenter w;
    r.AttachWindow(&w);
    r.ScrollCopy(2, 3, 0, 7);
    EXPECT_EQ(w.calls, std::vector<Call>{RecordingPresenter::BlitCall({9, 19, 297, 211}, kVisible)});

    // Both commands 0: only the offsets change, and the screen is presented through them.
    w.calls.clear();
    r.ScrollCopy(0, 5, 0, 11);
    EXPECT_EQ(w.calls, PresentAllCalls(5, 11, 0));

    // A tile is taken from the frame shifted by the offsets.
    w.calls.clear();
    r.DrawTile(16, 48, 1, 1, Pattern({}));
    EXPECT_EQ(w.calls, std::vector<Call>{RecordingPresenter::BlitCall({292, 202, 299, 215}, {287, 191, 294, 204})});

    // Offsets that take the source beyond the frame show nothing of it, but the border still paints.
    w.calls.clear();
    r.ScrollPreset(0, 0, 7, 0, 15);
    const auto all = PresentAllCalls(7, 15, 0);
    EXPECT_EQ(w.calls, std::vector<Call>(all.begin() + 1, all.end()));
    w.calls.clear();
    r.DrawTile(16, 48, 1, 1, Pattern({}));
    EXPECT_TRUE(w.calls.empty());
    r.DrawTile(1, 1, 1, 1, Pattern({}));
    EXPECT_EQ(w.calls, std::vector<Call>{RecordingPresenter::BlitCall({13, 27, 20, 40}, {6, 12, 13, 25})});
}

TEST(CdgScreen, DestinationEdgesScaleOnTheirOwn)
{
    CdgScreen r;
    RecordingPresenter w({10, 20, 461, 321}); // 451 x 301 at (10, 20)
    r.AttachWindow(&w);
    r.DrawTile(1, 1, 1, 1, Pattern({}));
    // x: 10 + 6 * 451 / 300 = 19, 10 + 13 * 451 / 300 = 29; y: 20 + 12 * 301 / 216 = 36, 20 + 25 * 301 / 216 = 54.
    EXPECT_EQ(w.calls, std::vector<Call>{RecordingPresenter::BlitCall({6, 12, 13, 25}, {19, 36, 29, 54})});
    w.calls.clear();
    r.PresentAll();
    // Inner edges: 10 + 451 * 6 / 300 = 19, 20 + 301 * 12 / 216 = 36, 10 + 451 * 294 / 300 = 451,
    // 20 + 301 * 204 / 216 = 304.
    ASSERT_EQ(w.calls.size(), 5u);
    EXPECT_EQ(w.calls[0], RecordingPresenter::BlitCall(kVisible, {19, 36, 451, 304}));
    EXPECT_EQ(w.calls[1], RecordingPresenter::FillCall({10, 20, 461, 36}, 0));
    EXPECT_EQ(w.calls[2], RecordingPresenter::FillCall({10, 36, 19, 304}, 0));
    EXPECT_EQ(w.calls[3], RecordingPresenter::FillCall({10, 304, 461, 321}, 0));
    EXPECT_EQ(w.calls[4], RecordingPresenter::FillCall({451, 36, 461, 304}, 0));
}

TEST(CdgScreen, SuppressedPresentsReachNoPresenterButTheFrameKeepsChanging)
{
    CdgScreen r;
    RecordingPresenter w;
    r.AttachWindow(&w);
    r.SetSuppressPresent(true);
    r.MemoryPreset(2);
    r.BorderPreset(4);
    r.DrawTile(3, 3, 5, 5, Pattern({}));
    r.XorTile(3, 4, 0, 1, Pattern({0x3F}));
    r.ScrollCopy(0, 2, 0, 3);
    r.ScrollPreset(1, 1, 0, 0, 0);
    const std::array<uint32_t, 2> c = {0x123456, 0x654321};
    r.LoadColours(0, 2, c);
    r.DrawTile(40, 3, 5, 5, Pattern({}));
    r.PresentRect({0, 0, 300, 216});
    r.PresentAll();
    EXPECT_TRUE(w.calls.empty());
    EXPECT_EQ(r.Pixel(24, 36), 5);  // tile at column 3, moved 6 right by the scroll
    EXPECT_EQ(r.Pixel(0, 100), 1);  // vacated strip of the preset
    EXPECT_EQ(r.Colour(1), 0x654321u);

    r.SetSuppressPresent(false);
    r.PresentAll();
    EXPECT_EQ(w.calls, PresentAllCalls(0, 0, 4));
}

TEST(CdgScreen, LoadColoursStoresEntriesAndRedraws)
{
    CdgScreen r;
    RecordingPresenter w;
    r.AttachWindow(&w);
    std::array<uint32_t, 8> c{};
    for (size_t i = 0; i < c.size(); ++i) c[i] = 0xAB000000u | uint32_t(0x010203 * (i + 1));
    EXPECT_EQ(r.LoadColours(8, 8, c), 0);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(r.Colour(8 + i), uint32_t(0x010203 * (i + 1))) << i; // top byte cleared
    EXPECT_EQ(r.Colour(7), 0u);
    EXPECT_EQ(w.calls, PresentAllCalls(0, 0, 0));

    // Entries beyond the table are skipped, on both ends.
    r.LoadColours(13, 8, c);
    EXPECT_EQ(r.Colour(15), c[2] & 0xFFFFFF);
    r.LoadColours(-2, 4, c);
    EXPECT_EQ(r.Colour(0), c[2] & 0xFFFFFF);
    EXPECT_EQ(r.Colour(1), c[3] & 0xFFFFFF);
    EXPECT_EQ(r.Colour(2), 0u);
}

TEST(CdgScreen, TransparentColourIsRecordedOnly)
{
    CdgScreen r;
    r.SetTransparentColour(16);
    EXPECT_FALSE(r.TransparentSet());
    r.SetTransparentColour(7);
    EXPECT_TRUE(r.TransparentSet());
    EXPECT_EQ(r.TransparentColour(), 7);
    EXPECT_EQ(Frame(r), std::vector<uint8_t>(300 * 216, 0));
}

TEST(CdgScreen, ResetForgetsEverythingButThePresenters)
{
    CdgScreen r;
    RecordingPresenter p;
    r.AttachWindow(&p);
    const std::array<uint32_t, 2> colours{0x123456u, 0xABCDEFu};
    r.LoadColours(3, 2, colours);
    r.MemoryPreset(4);
    r.BorderPreset(3);
    r.SetTransparentColour(2);
    r.DrawTile(2, 2, 1, 3, Pattern({0x3F, 0x01}));
    r.ScrollPreset(5, 2, 3, 1, 4);
    p.calls.clear();

    r.Reset();
    EXPECT_TRUE(p.calls.empty());
    EXPECT_EQ(r.WindowCount(), 1u);
    EXPECT_EQ(r.Colours(), ColourTable{});
    EXPECT_EQ(r.MemoryColour(), 0);
    EXPECT_EQ(r.BorderColour(), 0);
    EXPECT_FALSE(r.TransparentSet());
    EXPECT_EQ(r.HorizontalOffset(), 0);
    EXPECT_EQ(r.VerticalOffset(), 0);
    EXPECT_EQ(Frame(r), std::vector<uint8_t>(300 * 216, 0));
}

TEST(CdgScreen, PresentersAttachOnceAndDetachBothWays)
{
    auto r = std::make_unique<CdgScreen>();
    RecordingPresenter a, b;
    EXPECT_TRUE(r->AttachWindow(&a));
    EXPECT_TRUE(r->AttachWindow(&a));
    EXPECT_EQ(r->WindowCount(), 1u);
    EXPECT_EQ(a.Renderer(), r.get());
    {
        RecordingPresenter shortLived;
        r->AttachWindow(&shortLived);
        EXPECT_EQ(r->WindowCount(), 2u);
    }
    EXPECT_EQ(r->WindowCount(), 1u); // a presenter that goes away detaches itself
    r->AttachWindow(&b);
    r->BorderPreset(1);
    EXPECT_EQ(a.calls.size(), 4u);
    EXPECT_EQ(b.calls.size(), 4u);

    // Attaching to another renderer leaves the first.
    CdgScreen other;
    other.AttachWindow(&b);
    EXPECT_EQ(r->WindowCount(), 1u);
    EXPECT_EQ(b.Renderer(), &other);

    r->DetachWindows();
    EXPECT_EQ(a.Renderer(), nullptr);
    r->AttachWindow(&a);
    r.reset();
    EXPECT_EQ(a.Renderer(), nullptr);
}
