#include "cli/ReferenceScreens.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cdg/CdgFormat.h"
#include "support/TempDir.h"

std::optional<RgbImage> ReadPpm(const std::string& path)
{
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    std::istringstream header(std::string(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 64)));
    header >> magic >> w >> h >> maxval;
    if (magic != "P6" || w <= 0 || h <= 0 || maxval != 255) return std::nullopt;
    const size_t start = size_t(header.tellg()) + 1;
    RgbImage image(w, h);
    if (bytes.size() < start + image.pixels.size()) return std::nullopt;
    std::copy_n(bytes.begin() + std::ptrdiff_t(start), image.pixels.size(), image.pixels.begin());
    return image;
}

StreamScan ScanBefore(const std::vector<uint8_t>& stream, size_t end)
{
    StreamScan s;
    for (size_t n = 0; n < end && (n + 1) * kCdgPacketBytes <= stream.size(); ++n) {
        const uint8_t* p = stream.data() + n * kCdgPacketBytes;
        if (!IsCdgGraphicsCommand(p[0])) continue;
        switch (p[1] & kCdgInstructionMask) {
        case kCdgBorderPreset: s.lastBorderPreset = n; break;
        case kCdgMemoryPreset: s.lastMemoryPreset = n; break;
        case kCdgLoadColoursLow:
        case kCdgLoadColoursHigh: s.lastColourLoad = n; break;
        case kCdgScrollPreset:
        case kCdgScrollCopy: s.scrolled = true; break;
        default: break;
        }
    }
    return s;
}

uint32_t ExpectSameDrawingArea(const RgbImage& ours, const RgbImage& theirs)
{
    EXPECT_EQ(ours.width, kCdgScreenWidth);
    EXPECT_EQ(ours.height, kCdgScreenHeight);
    EXPECT_EQ(theirs.width, kCdgScreenWidth);
    EXPECT_EQ(theirs.height, kCdgScreenHeight);
    if (ours.width != kCdgScreenWidth || ours.height != kCdgScreenHeight || theirs.width != ours.width ||
        theirs.height != ours.height)
        return 0;
    const int left = kCdgVisibleLeft, top = kCdgVisibleTop;
    const int right = left + kCdgContentWidth, bottom = top + kCdgContentHeight;
    int differing = 0;
    std::string first;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            if (ours.ColourAt(x, y) == theirs.ColourAt(x, y)) continue;
            if (differing++ == 0) first = std::to_string(x) + "," + std::to_string(y);
        }
    EXPECT_EQ(differing, 0) << "inner pixels differ, first at " << first;

    const uint32_t border = ours.ColourAt(0, 0);
    int ring = 0;
    for (int y = 0; y < kCdgScreenHeight; ++y)
        for (int x = 0; x < kCdgScreenWidth; ++x)
            if ((x < left || x >= right || y < top || y >= bottom) && ours.ColourAt(x, y) != border) ++ring;
    EXPECT_EQ(ring, 0) << "our border ring is not one colour";
    return border;
}
