#include "export/CdgScreenPainter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/frame.h>
}

#include "cdg/CdgFormat.h"

CdgScreenPainter::CdgScreenPainter(int frameWidth, int frameHeight)
    : m_width(frameWidth), m_height(frameHeight), m_area(FitCdgScreen(frameWidth, frameHeight))
{
    for (int x = 0; x < m_area.width; ++x) m_sourceColumn.push_back(x * kCdgScreenWidth / m_area.width);
    for (int y = 0; y < m_area.height; ++y) m_sourceRow.push_back(y * kCdgScreenHeight / m_area.height);
    m_screenYuv.resize(size_t(kCdgScreenWidth) * kCdgScreenHeight);
}

// BT.709 limited range: what players assume for HD pictures (and the stream says so too).
CdgScreenPainter::Yuv CdgScreenPainter::ToYuv(uint8_t r, uint8_t g, uint8_t b)
{
    constexpr double kKr = 0.2126, kKb = 0.0722, kKg = 1.0 - kKr - kKb;
    constexpr double kLumaRange = 219.0, kChromaRange = 224.0, kFull = 255.0;
    constexpr double kLumaFloor = 16.0, kChromaZero = 128.0;
    const double luma = (kKr * r + kKg * g + kKb * b) / kFull;
    const double cb = (b / kFull - luma) / (2.0 * (1.0 - kKb));
    const double cr = (r / kFull - luma) / (2.0 * (1.0 - kKr));
    auto clamp = [](double v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); };
    return {clamp(kLumaFloor + kLumaRange * luma), clamp(kChromaZero + kChromaRange * cb),
            clamp(kChromaZero + kChromaRange * cr)};
}

bool CdgScreenPainter::Paint(const RgbImage& screen, AVFrame* frame)
{
    const size_t rowBytes = size_t(kCdgScreenWidth) * RgbImage::kBytesPerPixel;
    const bool first = m_last.pixels.empty();
    const bool borderChanged = first || std::memcmp(screen.pixels.data(), m_last.pixels.data(), 3) != 0;
    std::vector<bool> changed(kCdgScreenHeight, borderChanged);
    bool any = borderChanged;
    for (int sy = 0; sy < kCdgScreenHeight; ++sy) {
        const size_t at = size_t(sy) * rowBytes;
        if (!first && std::memcmp(screen.pixels.data() + at, m_last.pixels.data() + at, rowBytes) == 0) continue;
        changed[size_t(sy)] = true;
        any = true;
        for (int sx = 0; sx < kCdgScreenWidth; ++sx) {
            const size_t i = at + size_t(sx) * RgbImage::kBytesPerPixel;
            m_screenYuv[size_t(sy) * kCdgScreenWidth + size_t(sx)] =
                ToYuv(screen.pixels[i], screen.pixels[i + 1], screen.pixels[i + 2]);
        }
    }
    if (!any) return false;
    m_last = screen;
    m_border = m_screenYuv[0];
    // Chroma rows are built from pairs of luma rows; the area starts on an even row.
    for (int cy = 0; cy < m_height / 2; ++cy) {
        const int y0 = 2 * cy - m_area.y, y1 = y0 + 1;
        const bool inside = y0 >= 0 && y1 < m_area.height;
        if (!borderChanged) {
            if (!inside) continue;
            if (!changed[size_t(m_sourceRow[size_t(y0)])] && !changed[size_t(m_sourceRow[size_t(y1)])]) continue;
        }
        PaintRows(frame, cy, inside ? m_sourceRow[size_t(y0)] : -1, inside ? m_sourceRow[size_t(y1)] : -1);
    }
    return true;
}

void CdgScreenPainter::PaintRows(AVFrame* frame, int cy, int sy0, int sy1)
{
    uint8_t* luma[2] = {frame->data[0] + size_t(2 * cy) * size_t(frame->linesize[0]),
                        frame->data[0] + size_t(2 * cy + 1) * size_t(frame->linesize[0])};
    uint8_t* u = frame->data[1] + size_t(cy) * size_t(frame->linesize[1]);
    uint8_t* v = frame->data[2] + size_t(cy) * size_t(frame->linesize[2]);
    if (sy0 < 0) {
        std::memset(luma[0], m_border.y, size_t(m_width));
        std::memset(luma[1], m_border.y, size_t(m_width));
        std::memset(u, m_border.u, size_t(m_width / 2));
        std::memset(v, m_border.v, size_t(m_width / 2));
        return;
    }
    const int left = m_area.x, right = m_area.x + m_area.width;
    for (uint8_t* row : luma) {
        std::memset(row, m_border.y, size_t(left));
        std::memset(row + right, m_border.y, size_t(m_width - right));
    }
    std::memset(u, m_border.u, size_t(left / 2));
    std::memset(v, m_border.v, size_t(left / 2));
    std::memset(u + right / 2, m_border.u, size_t((m_width - right) / 2));
    std::memset(v + right / 2, m_border.v, size_t((m_width - right) / 2));
    const Yuv* top = m_screenYuv.data() + size_t(sy0) * kCdgScreenWidth;
    const Yuv* bottom = m_screenYuv.data() + size_t(sy1) * kCdgScreenWidth;
    for (int x = 0; x < m_area.width; x += 2) {
        const int sx0 = m_sourceColumn[size_t(x)], sx1 = m_sourceColumn[size_t(x) + 1];
        const Yuv& a = top[sx0];
        const Yuv& b = top[sx1];
        const Yuv& c = bottom[sx0];
        const Yuv& d = bottom[sx1];
        luma[0][left + x] = a.y;
        luma[0][left + x + 1] = b.y;
        luma[1][left + x] = c.y;
        luma[1][left + x + 1] = d.y;
        // Rounded mean of the four, as a 4:2:0 conversion takes it.
        u[(left + x) / 2] = uint8_t((a.u + b.u + c.u + d.u + 2) / 4);
        v[(left + x) / 2] = uint8_t((a.v + b.v + c.v + d.v + 2) / 4);
    }
}
