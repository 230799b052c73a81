#include <gtest/gtest.h>

#include <set>

#include "cdg/PagePicture.h"
#include "media/RgbPicture.h"
#include "project/ImageStruct.h"
#include "support/PictureFiles.h"
#include "support/PromptRecorder.h"
#include "support/TempDir.h"

namespace {

std::vector<uint32_t> Pattern(int w, int h, std::initializer_list<uint32_t> colours)
{
    std::vector<uint32_t> c(colours);
    std::vector<uint32_t> px(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px[size_t(y) * size_t(w) + size_t(x)] = c[size_t(x + y) % c.size()];
    return px;
}

uint32_t Rgb(const MBitmap& b, int i)
{
    return b.ColourRgb(i);
}

} // namespace

TEST(PagePicture, SmallPicturesKeepTheirSizeAndTileAcrossTheCanvas)
{
    TempDir dir;
    const std::string file = dir.File("small.bmp");
    WriteBmp(file, 100, 50, Pattern(100, 50, {0xFF0000, 0x00FF00, 0x0000FF}));
    MBitmap picture;
    ASSERT_TRUE(LoadPictureFile(file, picture));
    EXPECT_EQ(picture.header.width, 100);
    EXPECT_EQ(picture.header.height, 50);
    EXPECT_EQ(picture.conversionPending, 1);
    EXPECT_EQ(Rgb(picture, 0), 0xF00000u); // channels cut to their upper four bits
    EXPECT_EQ(Rgb(picture, 1), 0x00F000u);
    EXPECT_EQ(Rgb(picture, 2), 0x0000F0u);
    EXPECT_EQ(Rgb(picture, 3), 0u);

    PictureToIndexed(picture, 0);
    EXPECT_EQ(picture.conversionPending, 0);
    EXPECT_EQ(PictureIndexAt(picture, 0, 0), 0);
    EXPECT_EQ(PictureIndexAt(picture, 1, 0), 1);
    EXPECT_EQ(PictureIndexAt(picture, 0, 2), 2);

    // Tiled: copies at x = 0, 100, 200 and y = 0, 50, 100, 150, the last ones clipped.
    PageCanvas tiled = PlacePicture(picture, kDisplayTiled, 15);
    for (int y : {0, 50, 100, 150})
        for (int x : {0, 100, 200}) {
            EXPECT_EQ(tiled.At(x, y), 0);
            EXPECT_EQ(tiled.At(x + 1, y), 1);
        }
    EXPECT_EQ(tiled.At(287, 191), PictureIndexAt(picture, 87, 41));
    EXPECT_EQ(std::set<int>(tiled.pixels.begin(), tiled.pixels.end()), (std::set<int>{0, 1, 2}));

    PageCanvas top = PlacePicture(picture, kDisplayTop, 15);
    EXPECT_EQ(top.At(94 + 0, 0), 0);
    EXPECT_EQ(top.At(93, 0), 15);
    EXPECT_EQ(top.At(94, 50), 15);
    PageCanvas centre = PlacePicture(picture, kDisplayCenter, 15);
    EXPECT_EQ(centre.At(94, 70), 15);
    EXPECT_EQ(centre.At(94, 71), PictureIndexAt(picture, 0, 0));
    PageCanvas bottom = PlacePicture(picture, kDisplayBottom, 15);
    EXPECT_EQ(bottom.At(94, 142), PictureIndexAt(picture, 0, 0));
    EXPECT_EQ(bottom.At(94, 141), 15);
    PageCanvas stretched = PlacePicture(picture, kDisplayStretched, 15);
    EXPECT_EQ(stretched.At(287, 191), PictureIndexAt(picture, 99, 49));
    EXPECT_EQ(stretched.colours[0], 0x0000F0u); // Windows colour value: red in the low byte
}

TEST(PagePicture, LargePicturesAreReducedToFitAndNeverEnlarged)
{
    TempDir dir;
    WriteBmp(dir.File("wide.bmp"), 576, 192, std::vector<uint32_t>(576 * 192, 0x808080));
    MBitmap picture;
    ASSERT_TRUE(LoadPictureFile(dir.File("wide.bmp"), picture));
    EXPECT_EQ(picture.header.width, 288);
    EXPECT_EQ(picture.header.height, 96);
    WriteBmp(dir.File("tall.bmp"), 10, 400, std::vector<uint32_t>(10 * 400, 0x808080));
    ASSERT_TRUE(LoadPictureFile(dir.File("tall.bmp"), picture));
    EXPECT_EQ(picture.header.width, 4);
    EXPECT_EQ(picture.header.height, 192);
}

TEST(PagePicture, PaletteKeepsElevenColoursInOrderThenDriftsApart)
{
    RgbPicture p;
    p.width = 13;
    p.height = 1;
    // Eleven greys close together, a repeat, then a far colour.
    for (int i = 0; i < 11; ++i) p.pixels.push_back(uint32_t(0x10 * i) * 0x010101u);
    p.pixels.push_back(0x202020);
    p.pixels.push_back(0x00F000);
    auto palette = BuildPicturePalette(p);
    // Green is nearest to grey 0x505050 (entry 5) and lies farther from the other greys than
    // that grey does: it takes entry 5, the rest stay in order of appearance.
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(palette[size_t(i)], i == 5 ? 0x00F000u : uint32_t(0x10 * i) * 0x010101u) << i;

    // A colour close to the crowd does not replace anything.
    p.pixels.back() = 0x0A0A0A; // cut to 0x000000, already present
    palette = BuildPicturePalette(p);
    EXPECT_EQ(palette[10], 0xA0A0A0u);

    RgbPicture few;
    few.width = 3;
    few.height = 1;
    few.pixels = {0xFFFFFF, 0x123456, 0xFFFFFF};
    palette = BuildPicturePalette(few);
    EXPECT_EQ(palette[0], 0xF0F0F0u);
    EXPECT_EQ(palette[1], 0x103050u);
    EXPECT_EQ(palette[2], 0u);
}

TEST(PagePicture, IndexingIsCachedUntilThePictureOrDitherChanges)
{
    TempDir dir;
    WriteBmp(dir.File("grad.bmp"), 64, 32, Pattern(64, 32, {0x000000, 0x777777, 0xFFFFFF, 0x804020}));
    MBitmap picture;
    ASSERT_TRUE(LoadPictureFile(dir.File("grad.bmp"), picture));
    PictureToIndexed(picture, 0);
    const auto exact = picture.indexPixels;
    picture.indexPixels[0] ^= 0xFF; // not rebuilt while nothing changed
    PictureToIndexed(picture, 0);
    EXPECT_NE(picture.indexPixels, exact);
    PictureToIndexed(picture, 40);
    EXPECT_EQ(picture.conversionMode, 40);
    const auto dithered = picture.indexPixels;
    PictureToIndexed(picture, 0);
    EXPECT_EQ(picture.indexPixels, exact);
    // Dithering is repeatable: the same amount gives the same pixels.
    PictureToIndexed(picture, 40);
    EXPECT_EQ(picture.indexPixels, dithered);
    // A strong dither gives some pixels their second-nearest colour.
    PictureToIndexed(picture, 1000);
    EXPECT_NE(picture.indexPixels, exact);
}

TEST(PagePicture, UnreadableFilesLeaveThePageAsItWasAndSaySo)
{
    TempDir dir;
    IMAGE_STRUCT page;
    page.graphic.SetColour(12, 1, 2, 3);
    page.graphic.SetColour(9, 4, 5, 6);
    WriteBmp(dir.File("good.bmp"), 20, 20, std::vector<uint32_t>(400, 0xFF0000));
    PromptRecorder prompt;
    ASSERT_TRUE(LoadPagePicture(page, dir.File("good.bmp"), prompt));
    EXPECT_EQ(page.hasGraphic, 1);
    EXPECT_EQ(page.graphic.ColourRgb(0), 0xF00000u);
    EXPECT_EQ(page.graphic.ColourRgb(12), 0x010203u); // the page's own colours survive
    EXPECT_EQ(page.graphic.ColourRgb(9), 0x040506u);
    const MBitmap before = page.graphic;

    WriteFileBytes(dir.File("text.png"), std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o', '\n'});
    ASSERT_TRUE(RunCommand("ffmpeg -v error -f lavfi -i testsrc=size=320x240 -frames:v 1 -y " + dir.File("a.png") +
                           " && ffmpeg -v error -f lavfi -i testsrc=size=320x240 -frames:v 1 -y " + dir.File("a.jpg") +
                           " && ffmpeg -v error -f lavfi -i color=red:size=8002x2 -frames:v 1 -y " +
                           dir.File("huge.png")));
    for (const char* name : {"a.png", "a.jpg"}) {
        auto bytes = ReadFileBytes(dir.File(name));
        MBitmap whole;
        ASSERT_TRUE(LoadPictureBytes(bytes, whole)) << name;
        bytes.resize(bytes.size() / 3);
        WriteFileBytes(dir.File(std::string("cut-") + name), bytes);
    }
    for (const char* name : {"text.png", "cut-a.png", "cut-a.jpg", "huge.png", "missing.bmp"}) {
        SCOPED_TRACE(name);
        const size_t messages = prompt.entries.size();
        EXPECT_FALSE(LoadPagePicture(page, dir.File(name), prompt));
        ASSERT_EQ(prompt.entries.size(), messages + 1);
        EXPECT_EQ(prompt.entries.back().text, "Please ensure the file is a valid image.");
        EXPECT_EQ(prompt.entries.back().caption, "Could Not Load Image File");
        EXPECT_EQ(page.graphic.truePixels, before.truePixels);
        EXPECT_EQ(page.graphic.header.width, 20);
    }
}

TEST(PagePicture, EveryFormatTheDialogOffersLoads)
{
    TempDir dir;
    for (const char* ext : {"bmp", "jpg", "gif", "tif", "png"}) {
        const std::string file = dir.File(std::string("p.") + ext);
        ASSERT_TRUE(RunCommand("ffmpeg -v error -f lavfi -i testsrc=size=400x100 -frames:v 1 -y " + file)) << ext;
        MBitmap picture;
        ASSERT_TRUE(LoadPictureFile(file, picture)) << ext;
        EXPECT_EQ(picture.header.width, 288) << ext;
        EXPECT_EQ(picture.header.height, 72) << ext;
    }
}

TEST(PagePicture, CorruptHeadersInAProjectNeverReadOutsideThePicture)
{
    MBitmap picture;
    picture.header.width = 5000;
    picture.header.height = -3;
    picture.conversionPending = 1;
    PictureToIndexed(picture, 1);
    PageCanvas canvas = PlacePicture(picture, kDisplayTiled, 7);
    EXPECT_EQ(std::set<int>(canvas.pixels.begin(), canvas.pixels.end()), (std::set<int>{7}));
}
