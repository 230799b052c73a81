#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>
#include <zlib.h>

#include "player/PngCodec.h"
#include "support/TempDir.h"

namespace {

RgbImage RandomImage(int w, int h, unsigned seed)
{
    std::mt19937 rng(seed);
    RgbImage image(w, h);
    for (auto& b : image.pixels) b = uint8_t(rng());
    return image;
}

void Be32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

void Chunk(std::vector<uint8_t>& out, const std::string& type, const std::vector<uint8_t>& data)
{
    Be32(out, uint32_t(data.size()));
    std::vector<uint8_t> body(type.begin(), type.end());
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    Be32(out, uint32_t(crc32(0, body.data(), uInt(body.size()))));
}

std::vector<uint8_t> Header(uint32_t w, uint32_t h, uint8_t depth, uint8_t colourType, uint8_t interlace)
{
    std::vector<uint8_t> d;
    Be32(d, w);
    Be32(d, h);
    d.insert(d.end(), {depth, colourType, 0, 0, interlace});
    return d;
}

int PaethPredictor(int a, int b, int c)
{
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
}

// A PNG as other tools write them: rows filtered with every filter type in turn, optionally
// with alpha, the data split over several IDAT chunks.
std::vector<uint8_t> FilteredPng(const RgbImage& image, bool alpha)
{
    const size_t channels = alpha ? 4 : 3;
    const size_t stride = size_t(image.width) * channels;
    std::vector<uint8_t> previous(stride, 0), raw;
    for (int y = 0; y < image.height; ++y) {
        std::vector<uint8_t> row;
        for (int x = 0; x < image.width; ++x) {
            const size_t i = image.Index(x, y);
            row.insert(row.end(), image.pixels.begin() + std::ptrdiff_t(i), image.pixels.begin() + std::ptrdiff_t(i + 3));
            if (alpha) row.push_back(uint8_t(x * 7));
        }
        const uint8_t filter = uint8_t(y % 5);
        raw.push_back(filter);
        for (size_t i = 0; i < stride; ++i) {
            const int a = i >= channels ? row[i - channels] : 0;
            const int b = previous[i];
            const int c = i >= channels ? previous[i - channels] : 0;
            const int predictor = filter == 0 ? 0 : filter == 1 ? a : filter == 2 ? b : filter == 3 ? (a + b) / 2
                                                                                           : PaethPredictor(a, b, c);
            raw.push_back(uint8_t(row[i] - predictor));
        }
        previous = row;
    }
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<uint8_t> packed(size);
    compress2(packed.data(), &size, raw.data(), uLong(raw.size()), 9);
    packed.resize(size);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Chunk(png, "IHDR", Header(uint32_t(image.width), uint32_t(image.height), 8, alpha ? 6 : 2, 0));
    Chunk(png, "tEXt", {'a', 0, 'b'}); // an ancillary chunk to skip
    const size_t half = packed.size() / 2;
    Chunk(png, "IDAT", std::vector<uint8_t>(packed.begin(), packed.begin() + std::ptrdiff_t(half)));
    Chunk(png, "IDAT", std::vector<uint8_t>(packed.begin() + std::ptrdiff_t(half), packed.end()));
    Chunk(png, "IEND", {});
    return png;
}

} // namespace

TEST(PngCodec, EncodedPicturesDecodeToTheSamePixels)
{
    for (auto [w, h] : {std::pair{1, 1}, {7, 3}, {300, 216}, {600, 432}}) {
        const RgbImage image = RandomImage(w, h, unsigned(w * h));
        const std::vector<uint8_t> png = EncodePng(image);
        ASSERT_GT(png.size(), 33u);
        // Signature, then IHDR: width, height, 8 bits, colour type 2, no interlace.
        EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8),
                  (std::vector<uint8_t>{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
        EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
        EXPECT_EQ(png[16 + 3], uint8_t(w));
        EXPECT_EQ(png[20 + 2] * 256 + png[20 + 3], h);
        EXPECT_EQ(png[24], 8);
        EXPECT_EQ(png[25], 2);
        EXPECT_EQ(png[28], 0);

        RgbImage back;
        std::string error;
        ASSERT_TRUE(DecodePng(png, back, error)) << error;
        EXPECT_EQ(back.width, w);
        EXPECT_EQ(back.height, h);
        EXPECT_EQ(back.pixels, image.pixels);
    }
}

TEST(PngCodec, ReadsEveryRowFilterAndDropsAlpha)
{
    const RgbImage image = RandomImage(37, 23, 99);
    for (bool alpha : {false, true}) {
        RgbImage back;
        std::string error;
        ASSERT_TRUE(DecodePng(FilteredPng(image, alpha), back, error)) << error;
        EXPECT_EQ(back.pixels, image.pixels) << "alpha " << alpha;
    }
}

TEST(PngCodec, WritesFilesWhole)
{
    TempDir dir;
    const RgbImage image = RandomImage(30, 20, 5);
    ASSERT_TRUE(WritePngFile(dir.File("a.png"), image));
    RgbImage back;
    std::string error;
    ASSERT_TRUE(DecodePng(ReadFileBytes(dir.File("a.png")), back, error)) << error;
    EXPECT_EQ(back.pixels, image.pixels);
    EXPECT_FALSE(WritePngFile(dir.File("no/such/folder/a.png"), image));
}

TEST(PngCodec, DamagedOrUnsupportedFilesFailWithAReason)
{
    const RgbImage image = RandomImage(20, 10, 3);
    const std::vector<uint8_t> good = EncodePng(image);
    RgbImage out;
    std::string error;

    // Every shortened file fails cleanly.
    for (size_t n = 0; n < good.size(); ++n) {
        EXPECT_FALSE(DecodePng(std::span<const uint8_t>(good.data(), n), out, error)) << n;
        EXPECT_FALSE(error.empty());
    }
    std::vector<uint8_t> bad = good;
    bad[40] ^= 0x55;
    EXPECT_FALSE(DecodePng(bad, out, error));
    EXPECT_EQ(error, "PNG chunk checksum mismatch");
    bad = good;
    bad[0] = 'X';
    EXPECT_FALSE(DecodePng(bad, out, error));
    EXPECT_EQ(error, "not a PNG file");

    const std::vector<uint8_t> signature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    auto withHeader = [&](std::vector<uint8_t> header) {
        std::vector<uint8_t> png = signature;
        Chunk(png, "IHDR", header);
        Chunk(png, "IEND", {});
        return png;
    };
    // A header that claims a huge picture is refused before anything is allocated for it.
    EXPECT_FALSE(DecodePng(withHeader(Header(16384, 16384, 8, 2, 0)), out, error));
    EXPECT_EQ(error, "PNG picture size out of range");
    EXPECT_FALSE(DecodePng(withHeader(Header(0, 5, 8, 2, 0)), out, error));
    EXPECT_FALSE(DecodePng(withHeader(Header(5, 5, 16, 2, 0)), out, error));
    EXPECT_EQ(error, "only 8-bit RGB or RGBA PNG without interlace is read");
    EXPECT_FALSE(DecodePng(withHeader(Header(5, 5, 8, 3, 0)), out, error));
    EXPECT_FALSE(DecodePng(withHeader(Header(5, 5, 8, 2, 1)), out, error));
    // A header alone has no picture data.
    EXPECT_FALSE(DecodePng(withHeader(Header(5, 5, 8, 2, 0)), out, error));
    EXPECT_EQ(error, "PNG picture data incomplete");

    // Data that inflates to more than the picture needs.
    std::vector<uint8_t> big(5 * 16 + 1000, 0);
    uLongf size = compressBound(uLong(big.size()));
    std::vector<uint8_t> packed(size);
    compress2(packed.data(), &size, big.data(), uLong(big.size()), 9);
    packed.resize(size);
    std::vector<uint8_t> png = signature;
    Chunk(png, "IHDR", Header(5, 5, 8, 2, 0));
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", {});
    EXPECT_FALSE(DecodePng(png, out, error));
    EXPECT_EQ(error, "PNG data larger than its picture");
}
