#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr int kPictureWidth = 288;
inline constexpr int kPictureHeight = 192;
inline constexpr size_t kTrueColourBytes = size_t(kPictureWidth) * kPictureHeight * 4; // 221,184
inline constexpr size_t kIndexPixelBytes = size_t(kPictureWidth) * kPictureHeight / 2; // 27,648

// One colour table entry, stored blue, green, red, 0.
struct RgbQuad {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
    bool operator==(const RgbQuad&) const = default;
};

// The 40-byte bitmap description that precedes a 4-bit picture.
struct BitmapInfoHeader {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 4;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 16;
    uint32_t clrImportant = 0;
};

// The picture of a page and the page's colour table.
class MBitmap {
public:
    MBitmap();
    virtual ~MBitmap();
    MBitmap(const MBitmap&) = default;
    MBitmap& operator=(const MBitmap&) = default;

    void SetColour(int slot, uint8_t red, uint8_t green, uint8_t blue);
    // The colour of a slot as 0xRRGGBB.
    uint32_t ColourRgb(int slot) const;

    BitmapInfoHeader header;
    std::array<RgbQuad, 16> colours{};
    std::vector<uint8_t> truePixels;  // kTrueColourBytes
    std::vector<uint8_t> indexPixels; // kIndexPixelBytes
    uint8_t conversionPending = 0;
    int32_t conversionMode = 0;
};
