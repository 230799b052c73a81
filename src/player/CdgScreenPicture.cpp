#include "player/CdgScreenPicture.h"

#include <algorithm>
#include <cstring>

#include "player/CdgScreen.h"
#include "player/PngCodec.h"

CdgScreenPicture::CdgScreenPicture(int scale)
    : m_scale(std::clamp(scale, 1, kSnapshotMaxScale)),
      m_image(kCdgScreenWidth * m_scale, kCdgScreenHeight * m_scale)
{
}

bool CdgScreenPicture::WritePng(const std::string& path) const
{
    return WritePngFile(path, m_image);
}

CdgRect CdgScreenPicture::ClientArea() const
{
    return {0, 0, m_image.width, m_image.height};
}

CdgRect CdgScreenPicture::Clip(const CdgRect& r) const
{
    return {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, m_image.width),
            std::min(r.bottom, m_image.height)};
}

void CdgScreenPicture::Blit(const CdgScreen& renderer, const CdgRect& source, const CdgRect& destination)
{
    const CdgRect d = Clip(destination);
    if (d.Empty() || source.Empty() || destination.Empty()) return;
    std::array<std::array<uint8_t, RgbImage::kBytesPerPixel>, kCdgColourCount> rgb;
    for (int i = 0; i < kCdgColourCount; ++i) {
        const uint32_t c = renderer.Colour(i);
        rgb[size_t(i)] = {ColourRed(c), ColourGreen(c), ColourBlue(c)};
    }
    // Stretching picks, for each destination pixel, the source pixel it falls on.
    m_sourceColumns.resize(size_t(d.Width()));
    for (int x = d.left; x < d.right; ++x) {
        m_sourceColumns[size_t(x - d.left)] =
            source.left + int(int64_t(x - destination.left) * source.Width() / destination.Width());
    }
    const uint8_t* frame = renderer.CurrentFrame();
    for (int y = d.top; y < d.bottom; ++y) {
        const int sy = source.top + int(int64_t(y - destination.top) * source.Height() / destination.Height());
        const uint8_t* src = frame + size_t(sy) * CdgScreen::kFramePitch;
        uint8_t* out = m_image.pixels.data() + m_image.Index(d.left, y);
        for (int sx : m_sourceColumns) {
            const auto& c = rgb[src[sx] & (kCdgColourCount - 1)];
            out[0] = c[0];
            out[1] = c[1];
            out[2] = c[2];
            out += RgbImage::kBytesPerPixel;
        }
    }
}

void CdgScreenPicture::Fill(const CdgRect& destination, int index, uint32_t colour)
{
    (void)index;
    const CdgRect d = Clip(destination);
    if (d.Empty()) return;
    // One row of the colour, copied down the rectangle.
    uint8_t* first = m_image.pixels.data() + m_image.Index(d.left, d.top);
    for (int x = d.left; x < d.right; ++x) m_image.SetColour(x, d.top, colour);
    const size_t rowBytes = size_t(d.Width()) * RgbImage::kBytesPerPixel;
    for (int y = d.top + 1; y < d.bottom; ++y) std::memcpy(m_image.pixels.data() + m_image.Index(d.left, y), first, rowBytes);
}
