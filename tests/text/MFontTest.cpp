#include <gtest/gtest.h>

#include <vector>

#include "text/MFont.h"

namespace {

struct Ink {
    int top = 1 << 30, bottom = -1, left = 1 << 30, right = -1;
};

Ink DrawAndFindInk(const MFont& font, const std::string& text, int w, int h, int x, int y)
{
    std::vector<uint8_t> pixels(size_t(w) * size_t(h), 0);
    IndexSurface s{pixels.data(), w, h, w, 0, 0, w, h};
    font.Draw(s, x, y, text, 7);
    Ink ink;
    for (int yy = 0; yy < h; ++yy)
        for (int xx = 0; xx < w; ++xx) {
            const uint8_t v = pixels[size_t(yy) * size_t(w) + size_t(xx)];
            EXPECT_TRUE(v == 0 || v == 7); // monochrome: only the drawn index
            if (v == 7) {
                ink.top = std::min(ink.top, yy);
                ink.bottom = std::max(ink.bottom, yy);
                ink.left = std::min(ink.left, xx);
                ink.right = std::max(ink.right, xx);
            }
        }
    return ink;
}

} // namespace

TEST(MFont, SizeIsTheCellHeightAndInkStaysInsideTheCell)
{
    for (int size : {12, 24, 40}) {
        SCOPED_TRACE(size);
        auto font = MFont::Get({"Arial", size, false, false, false});
        ASSERT_TRUE(font->Valid());
        EXPECT_EQ(font->Family(), "Liberation Sans");
        EXPECT_EQ(font->CellHeight(), size);
        // Liberation Sans: ascent 1854 of a 2288-unit cell.
        EXPECT_NEAR(font->Ascent(), size * 1854.0 / 2288.0, 0.51);
        const Ink ink = DrawAndFindInk(*font, "\xC9gjy|", 200, 100, 10, 20);
        // Hinting may round an accent one pixel past the cell edge, never more.
        EXPECT_GE(ink.top, 20 - 1);
        EXPECT_LE(ink.bottom, 20 + size);
        // A capital H stands about cap height (1409 units) above the baseline.
        const Ink h = DrawAndFindInk(*font, "H", 200, 100, 10, 20);
        EXPECT_NEAR(h.bottom - h.top + 1, size * 1409.0 / 2288.0, 1.5);
        EXPECT_EQ(h.bottom, 20 + font->Ascent() - 1);
    }
}

TEST(MFont, BoldIsWiderAndWidthsAddUp)
{
    auto regular = MFont::Get({"Arial", 24, false, false, false});
    auto bold = MFont::Get({"Arial", 24, true, false, false});
    EXPECT_NE(regular.get(), bold.get());
    EXPECT_EQ(MFont::Get({"Arial", 24, true, false, false}).get(), bold.get()); // cached
    EXPECT_GT(bold->Measure("Twinkle"), regular->Measure("Twinkle"));
    EXPECT_EQ(regular->Measure("ab"), regular->Measure("a") + regular->Measure("b"));
    EXPECT_EQ(regular->Measure(""), 0);
    EXPECT_GT(regular->AverageCharWidth(), 5);
}

TEST(MFont, UnknownFacesFallBackAndUnderlineInksBelowTheBaseline)
{
    auto font = MFont::Get({"No Such Face 1234", 20, false, false, false});
    ASSERT_TRUE(font->Valid());
    EXPECT_FALSE(font->Family().empty());
    EXPECT_GT(font->Measure("abc"), 0);

    auto plain = MFont::Get({"Arial", 20, false, false, false});
    auto underlined = MFont::Get({"Arial", 20, false, false, true});
    const Ink a = DrawAndFindInk(*plain, "ace", 100, 60, 5, 5);
    const Ink b = DrawAndFindInk(*underlined, "ace", 100, 60, 5, 5);
    EXPECT_GT(b.bottom, a.bottom);
    EXPECT_EQ(b.left, 5);

    auto bad = MFont::Get({"Arial", 0, false, false, false});
    EXPECT_FALSE(bad->Valid());
    EXPECT_EQ(bad->Measure("abc"), 0);
}

TEST(MFont, DrawingIsClippedToTheSurface)
{
    auto font = MFont::Get({"Arial", 30, true, true, false});
    std::vector<uint8_t> pixels(50 * 20, 0);
    IndexSurface s{pixels.data(), 50, 20, 50, 10, 5, 40, 15};
    font->Draw(s, -15, -10, "WWWWWWWW", 3);
    font->Draw(s, 30, 10, "WWWWWWWW", 3);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 50; ++x)
            if (x < 10 || x >= 40 || y < 5 || y >= 15) {
                EXPECT_EQ(pixels[size_t(y) * 50 + size_t(x)], 0);
            }
}
