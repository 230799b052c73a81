#include <gtest/gtest.h>

#include <array>
#include <set>

#include "cdg/TextLayout.h"
#include "project/MTextType.h"
#include "project/MTextTypeVer6.h"
#include "text/MFont.h"

namespace {

MTextType Style(int size, int flags, int hAlign, int vAlign)
{
    MTextType s;
    s.size = size;
    s.style = flags;
    s.hAlign = hAlign;
    s.vAlign = vAlign;
    s.colour = 12;
    s.shadowColour = 13;
    return s;
}

int Width(const std::string& text, int size, int flags)
{
    return MFont::Get({"Arial", size, (flags & kStyleBold) != 0, (flags & kStyleItalic) != 0, false})->Measure(text);
}

std::set<int> Indices(const PageCanvas& c)
{
    return std::set<int>(c.pixels.begin(), c.pixels.end());
}

bool InkOutside(const PageCanvas& c, int top, int bottom, uint8_t background)
{
    for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x)
            if ((y < top || y >= bottom) && c.At(x, y) != background) return true;
    return false;
}

} // namespace

TEST(TextLayout, PlaceTextLineAlignsInsideTheSlot)
{
    const std::string text = "Twinkle little star";
    const int cx = Width(text, 24, kStyleBold);
    // Four slots of 48 pixels.
    TextBox left = PlaceTextLine(4, 1, text, Style(24, kStyleBold, kAlignLeft, kAlignMiddle), 1, 0, nullptr, false);
    EXPECT_EQ(left, (TextBox{0, 48 + (48 - 24) / 2, cx, 48 + (48 - 24) / 2 + 24}));
    TextBox centre =
        PlaceTextLine(4, 0, text, Style(24, kStyleBold, kAlignCentre, kAlignTop), 1, 0, nullptr, false);
    EXPECT_EQ(centre, (TextBox{(288 - cx) / 2, 0, (288 - cx) / 2 + cx, 24}));
    TextBox right =
        PlaceTextLine(4, 3, text, Style(24, kStyleBold, kAlignRight, kAlignBottom), 1, 0, nullptr, false);
    EXPECT_EQ(right, (TextBox{288 - cx, 3 * 48 + 48 - 24, 288, 192}));

    // Line 1 of a block of 3 in the middle of a one-slot screen.
    TextBox block = PlaceTextLine(1, 0, text, Style(24, kStyleBold, kAlignLeft, kAlignMiddle), 3, 1, nullptr, false);
    EXPECT_EQ(block.top, 24 + (192 - 72) / 2);

    // The full-song writer adds one average character width on the right.
    const int average = MFont::Get({"Arial", 24, true, false, false})->AverageCharWidth();
    TextBox wide = PlaceTextLine(4, 1, text, Style(24, kStyleBold, kAlignLeft, kAlignMiddle), 1, 0, nullptr, true);
    EXPECT_EQ(wide.right, cx + average);
}

TEST(TextLayout, ShadowGrowsTheBoxByTwiceTheThickness)
{
    EXPECT_EQ(ShadowThickness(12), 1);
    EXPECT_EQ(ShadowThickness(19), 1);
    EXPECT_EQ(ShadowThickness(20), 2);
    EXPECT_EQ(ShadowThickness(30), 3);
    const std::string text = "Hello";
    const int cx = Width(text, 30, 0);
    TextBox box = PlaceTextLine(1, 0, text, Style(30, kStyleShadow, kAlignLeft, kAlignTop), 1, 0, nullptr, false);
    EXPECT_EQ(box, (TextBox{0, 0, cx + 6, 36}));
}

TEST(TextLayout, TallTextIsClippedToItsSlot)
{
    PageCanvas canvas;
    canvas.Fill(15);
    MTextType style = Style(70, kStyleBold | kStyleShadow, kAlignLeft, kAlignMiddle);
    TextBox box = DrawPageText(canvas, 4, 2, "Tall Text", style, nullptr, false);
    EXPECT_EQ(box.bottom - box.top, 48);
    EXPECT_FALSE(InkOutside(canvas, 96, 144, 15));
    EXPECT_EQ(Indices(canvas), (std::set<int>{12, 13, 15}));
}

TEST(TextLayout, PageTextStacksLinesWithTheirOwnStylesAndDropsAmpersands)
{
    PageCanvas canvas;
    canvas.Fill(15);
    MTextType style = Style(26, kStyleBold, kAlignCentre, kAlignMiddle);
    MTextTypeVer6 lines;
    lines.lines.push_back({3, 20, 0, "Arial", kAlignLeft});
    lines.lines.push_back({4, 16, kStyleItalic, "Liberation Serif", kAlignRight});
    TextBox last = DrawPageText(canvas, 1, 0, "Twinkle\r\nby &&Jane\n&Traditional", style, &lines, false);
    // Heights 26 + 20 + 16 = 62, centred: first line at 65.
    const int serif = MFont::Get({"Liberation Serif", 16, false, true, false})->Measure("Traditional");
    EXPECT_EQ(last, (TextBox{288 - serif, 65 + 46, 288, 65 + 62}));
    EXPECT_EQ(Indices(canvas), (std::set<int>{3, 4, 12, 15}));
    // The second line is "by &Jane" left-aligned in colour 3.
    int right3 = -1;
    for (int y = 0; y < 192; ++y)
        for (int x = 0; x < 288; ++x)
            if (canvas.At(x, y) == 3) right3 = std::max(right3, x);
    EXPECT_LE(right3, Width("by &Jane", 20, 0));
    EXPECT_GT(right3, Width("by &Jan", 20, 0) - 2);

    PageCanvas empty;
    empty.Fill(15);
    EXPECT_EQ(DrawPageText(empty, 1, 0, "", style, nullptr, false), TextBox{});
    EXPECT_EQ(Indices(empty), (std::set<int>{15}));
}

TEST(TextLayout, BackgroundBoxIsFilledBehindTheText)
{
    PageCanvas canvas;
    canvas.Fill(15);
    MTextType style = Style(20, 0, kAlignLeft, kAlignTop);
    style.backgroundBox = 1;
    style.backgroundBoxColour = 2;
    TextBox box = DrawPageText(canvas, 2, 1, "Box", style, nullptr, false);
    EXPECT_EQ(canvas.At(box.left, box.top), 2);
    EXPECT_EQ(canvas.At(box.right - 1, box.bottom - 1), 2);
    EXPECT_EQ(canvas.At(box.right, box.top), 15);
}

TEST(TextLayout, ASweepChangesTheWordsLettersOrTheBackgroundOfItsBox)
{
    const std::string line = "How I wonder what";
    const MTextType style = Style(24, kStyleBold, kAlignLeft, kAlignMiddle);
    const int how = Width("How", 24, kStyleBold);
    const int upTo = Width("How I wonder", 24, kStyleBold);

    // Text mode: exactly the word's letters on the drawn line.
    for (auto [first, last, left, right] : {std::array{0, 2, 0, how},
                                            std::array{6, 11, upTo - Width("wonder", 24, kStyleBold), upTo}}) {
        const WordSweepPixels s = SweepWordPixels(4, 0, line, style, 15, first, last, -1, false);
        EXPECT_EQ(s.box, (TextBox{left, 12, right, 36}));
        int letters = 0, changed = 0, earlier = 0;
        for (int y = 0; y < kCanvasHeight; ++y)
            for (int x = 0; x < kCanvasWidth; ++x) {
                const bool ink = s.line.At(x, y) == 12;
                letters += ink && x >= left && x < right;
                changed += s.changed.At(x, y) == 1;
                earlier += s.changed.At(x, y) == 2;
                if (s.changed.At(x, y) == 1) {
                    ASSERT_TRUE(ink && x >= left && x < right) << x << "," << y;
                }
                // The letters before the word are marked for previews to leave alone.
                if (s.changed.At(x, y) == 2) {
                    ASSERT_TRUE(ink && x < left) << x << "," << y;
                }
            }
        EXPECT_GT(letters, 100);
        EXPECT_EQ(changed, letters);
        EXPECT_EQ(earlier > 0, first > 0);
    }

    // Background mode with an outline: "to" and "night" meet without a space, so their boxes
    // (outline included) overlap. Sweeping "night" after "to" leaves the shared columns alone;
    // the two together take every background pixel of both boxes and nothing else.
    MTextType outlined = Style(24, kStyleBold | kStyleShadow, kAlignLeft, kAlignMiddle);
    const std::string tonight = "tonight sky";
    const WordSweepPixels to = SweepWordPixels(4, 1, tonight, outlined, 15, 0, 1, -1, true);
    const WordSweepPixels night = SweepWordPixels(4, 1, tonight, outlined, 15, 2, 6, 1, true);
    const int t = 2, cy = 24 + 2 * t;
    EXPECT_EQ(to.box, (TextBox{0, 48 + (48 - cy) / 2, Width("to", 24, kStyleBold) + 2 * t, 48 + (48 - cy) / 2 + cy}));
    EXPECT_EQ(night.box.left, Width("to", 24, kStyleBold));
    EXPECT_LT(night.box.left, to.box.right);
    for (int y = 0; y < kCanvasHeight; ++y)
        for (int x = 0; x < kCanvasWidth; ++x) {
            const bool inBoxes = (x >= to.box.left && x < night.box.right && y >= to.box.top && y < to.box.bottom);
            const int times = (to.changed.At(x, y) == 1) + (night.changed.At(x, y) == 1);
            ASSERT_EQ(times, inBoxes && to.line.At(x, y) == 15 ? 1 : 0) << x << "," << y;
        }

    // "&" marks are not drawn ("&&" leaves one): a word lies where the drawn line has it, and
    // a lone "&" is a word that draws nothing.
    const TextBox roll = SweepWordPixels(4, 0, "Rock && roll", style, 15, 8, 11, -1, false).box;
    EXPECT_EQ(roll.left, Width("Rock & ", 24, kStyleBold));
    EXPECT_EQ(roll.right, Width("Rock & roll", 24, kStyleBold));
    EXPECT_EQ(roll, LyricWordBox(4, 0, "Rock && roll", style, 8, 11));
    const WordSweepPixels amp = SweepWordPixels(4, 0, "You & me", style, 15, 4, 4, -1, true);
    EXPECT_EQ(amp.box, TextBox{});
    EXPECT_EQ(Indices(amp.changed), (std::set<int>{0}));
    EXPECT_EQ(DrawnLineText("\r&&Hi & you&\n").text, "&Hi  you");
    EXPECT_EQ(DrawnLineText("&").text, " ");
}
