#include "cdg/PagePicture.h"

#include <cmath>
#include <utility>

#include "media/ColourValue.h"
#include "media/RgbPicture.h"
#include "project/ImageStruct.h"
#include "project/MBitmap.h"
#include "text/UserPrompt.h"

namespace {

constexpr uint32_t kChannelCut = 0xF0F0F0;

double Distance(uint32_t a, uint32_t b)
{
    const int dr = ColourRed(a) - ColourRed(b), dg = ColourGreen(a) - ColourGreen(b), db = ColourBlue(a) - ColourBlue(b);
    return std::sqrt(double(dr * dr + dg * dg + db * db));
}

// The palette entry nearest to `colour` (the first of several as near) and its distance.
std::pair<int, double> NearestEntry(uint32_t colour, const std::array<uint32_t, kPicturePaletteSize>& palette)
{
    int nearest = 0;
    double best = Distance(colour, palette[0]);
    for (int i = 1; i < kPicturePaletteSize; ++i) {
        const double d = Distance(colour, palette[size_t(i)]);
        if (d < best) {
            best = d;
            nearest = i;
        }
    }
    return {nearest, best};
}

uint32_t TableColour(const MBitmap& picture, int i)
{
    const RgbQuad& q = picture.colours[size_t(i)];
    return MakeColourValue(q.red, q.green, q.blue);
}

bool ValidSize(const MBitmap& picture)
{
    const auto& h = picture.header;
    return h.width > 0 && h.height > 0 && h.width <= kPictureWidth && h.height <= kPictureHeight;
}

size_t IndexStride(int width)
{
    return size_t((width + 7) / 8) * 4;
}

// The dither's own pseudo-random source: the classic linear congruential generator,
// restarted for every rebuild so a picture always indexes the same way.
class DitherRandom {
public:
    int Next()
    {
        m_state = m_state * 214013u + 2531011u;
        return int((m_state >> 16) & 0x7FFF);
    }

private:
    uint32_t m_state = 1;
};

bool StorePicture(const RgbPicture& decoded, MBitmap& picture)
{
    const int w = decoded.width;
    const int h = decoded.height;
    const double sx = double(kPictureWidth) / w;
    const double sy = double(kPictureHeight) / h;
    const double s = sx < sy ? sx : sy;
    RgbPicture scaled;
    if (s < 1) {
        const int nw = std::min(int(std::floor(s * w)), kPictureWidth);
        const int nh = std::min(int(std::floor(s * h)), kPictureHeight);
        if (!ScalePicture(decoded, std::max(1, nw), std::max(1, nh), scaled)) return false;
    } else {
        scaled = decoded;
    }
    const auto palette = BuildPicturePalette(scaled);

    picture.header = BitmapInfoHeader{};
    picture.header.width = scaled.width;
    picture.header.height = scaled.height;
    picture.header.sizeImage = uint32_t(IndexStride(scaled.width) * size_t(scaled.height));
    picture.truePixels.assign(kTrueColourBytes, 0);
    for (size_t i = 0; i < scaled.pixels.size(); ++i) {
        const uint32_t c = scaled.pixels[i];
        picture.truePixels[i * 4 + 0] = ColourBlue(c);
        picture.truePixels[i * 4 + 1] = ColourGreen(c);
        picture.truePixels[i * 4 + 2] = ColourRed(c);
        picture.truePixels[i * 4 + 3] = 0;
    }
    for (int i = 0; i < kPicturePaletteSize; ++i)
        picture.SetColour(i, ColourRed(palette[size_t(i)]), ColourGreen(palette[size_t(i)]), ColourBlue(palette[size_t(i)]));
    picture.indexPixels.assign(kIndexPixelBytes, 0);
    picture.conversionPending = 1;
    return true;
}

} // namespace

std::array<uint32_t, kPicturePaletteSize> BuildPicturePalette(const RgbPicture& picture)
{
    std::array<uint32_t, kPicturePaletteSize> palette{};
    int count = 0;
    for (uint32_t pixel : picture.pixels) {
        const uint32_t colour = pixel & kChannelCut;
        bool known = false;
        for (int i = 0; i < count && !known; ++i) known = palette[size_t(i)] == colour;
        if (known) continue;
        if (count < kPicturePaletteSize) {
            palette[size_t(count++)] = colour;
            continue;
        }
        const int nearest = NearestEntry(colour, palette).first;
        double a = 0, b = 0;
        for (int i = 0; i < kPicturePaletteSize; ++i) {
            if (i == nearest) continue;
            a += Distance(palette[size_t(nearest)], palette[size_t(i)]);
            b += Distance(colour, palette[size_t(i)]);
        }
        if (b > a) palette[size_t(nearest)] = colour;
    }
    return palette;
}

bool LoadPictureBytes(std::span<const uint8_t> bytes, MBitmap& picture)
{
    RgbPicture decoded;
    if (!DecodePicture(bytes, decoded)) return false;
    return StorePicture(decoded, picture);
}

bool LoadPictureFile(const std::string& path, MBitmap& picture)
{
    RgbPicture decoded;
    if (!DecodePictureFile(path, decoded)) return false;
    return StorePicture(decoded, picture);
}

bool LoadPagePicture(IMAGE_STRUCT& page, const std::string& path, UserPrompt& prompt)
{
    MBitmap picture = page.graphic;
    if (!LoadPictureFile(path, picture)) {
        prompt.Message(kMsgPictureInvalid, kMsgPictureCaption, PromptIcon::Warning);
        return false;
    }
    for (size_t i = 9; i < page.graphic.colours.size(); ++i) picture.colours[i] = page.graphic.colours[i];
    page.graphic = std::move(picture);
    page.hasGraphic = 1;
    return true;
}

void PictureToIndexed(MBitmap& picture, int ditherAmount)
{
    if (!picture.conversionPending && picture.conversionMode == ditherAmount) return;
    picture.indexPixels.assign(kIndexPixelBytes, 0);
    if (ValidSize(picture)) {
        const int w = picture.header.width;
        const int h = picture.header.height;
        const size_t stride = IndexStride(w);
        std::array<uint32_t, kPicturePaletteSize> table{};
        for (int i = 0; i < kPicturePaletteSize; ++i) table[size_t(i)] = TableColour(picture, i);
        DitherRandom random;
        for (int y = 0; y < h; ++y) {
            uint8_t* row = picture.indexPixels.data() + size_t(h - 1 - y) * stride;
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = picture.truePixels.data() + (size_t(y) * size_t(w) + size_t(x)) * 4;
                const uint32_t colour = MakeColourValue(p[2], p[1], p[0]); // stored blue, green, red
                const auto [n, d1] = NearestEntry(colour, table);
                int index = n;
                if (ditherAmount != 0) {
                    int m = -1;
                    double d2 = 0;
                    for (int i = 0; i < kPicturePaletteSize; ++i) {
                        if (i == n) continue;
                        const double d = Distance(colour, table[size_t(i)]);
                        if (m < 0 || d < d2) {
                            d2 = d;
                            m = i;
                        }
                    }
                    const double q = random.Next();
                    const double f = q * (100.0 * d2 / ditherAmount + d1) / 32767.0;
                    index = d1 < f ? n : m;
                }
                uint8_t& cell = row[size_t(x) / 2];
                if (x % 2 == 0)
                    cell = uint8_t((cell & 0x0F) | (index << 4));
                else
                    cell = uint8_t((cell & 0xF0) | index);
            }
        }
    }
    picture.conversionPending = 0;
    picture.conversionMode = ditherAmount;
}

uint8_t PictureIndexAt(const MBitmap& picture, int x, int y)
{
    const int h = picture.header.height;
    const uint8_t cell = picture.indexPixels[size_t(h - 1 - y) * IndexStride(picture.header.width) + size_t(x) / 2];
    return x % 2 == 0 ? uint8_t(cell >> 4) : uint8_t(cell & 0x0F);
}

PageCanvas PlacePicture(const MBitmap& picture, int displayMode, uint8_t fillIndex)
{
    PageCanvas canvas;
    for (size_t i = 0; i < canvas.colours.size(); ++i) {
        const RgbQuad& q = picture.colours[i];
        canvas.colours[i] = MakeColourValue(q.red, q.green, q.blue);
    }
    canvas.Fill(fillIndex);
    if (!ValidSize(picture)) return canvas;
    const int w = picture.header.width;
    const int h = picture.header.height;

    auto copyAt = [&](int left, int top) {
        for (int y = 0; y < h; ++y) {
            const int cy = top + y;
            if (cy < 0 || cy >= kCanvasHeight) continue;
            for (int x = 0; x < w; ++x) {
                const int cx = left + x;
                if (cx >= 0 && cx < kCanvasWidth) canvas.Set(cx, cy, PictureIndexAt(picture, x, y));
            }
        }
    };

    switch (displayMode) {
    case kDisplayCenter: copyAt((kCanvasWidth - w) / 2, (kCanvasHeight - h) / 2); break;
    case kDisplayBottom: copyAt((kCanvasWidth - w) / 2, kCanvasHeight - h); break;
    case kDisplayTiled:
        for (int j = 0; j <= kCanvasHeight / h; ++j)
            for (int i = 0; i <= kCanvasWidth / w; ++i) copyAt(i * w, j * h);
        break;
    case kDisplayStretched:
        for (int y = 0; y < kCanvasHeight; ++y)
            for (int x = 0; x < kCanvasWidth; ++x)
                canvas.Set(x, y, PictureIndexAt(picture, x * w / kCanvasWidth, y * h / kCanvasHeight));
        break;
    default: copyAt((kCanvasWidth - w) / 2, 0); break;
    }
    return canvas;
}
