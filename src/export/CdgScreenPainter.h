#pragma once
#include <cstdint>
#include <vector>

#include "export/VideoFrame.h"
#include "player/RgbImage.h"

struct AVFrame;

// The player's screen as YUV 4:2:0 video frames (BT.709, limited range): nearest-neighbour
// scaled into the picture area, the rest in the border colour. Only the rows the screen changed
// in are built again, since most frames of a karaoke song differ from the last one in a line or
// two, or not at all.
class CdgScreenPainter {
public:
    CdgScreenPainter(int frameWidth, int frameHeight);

    // Brings frame (the same frame every call) up to date with screen; false when nothing
    // changed since the last call.
    bool Paint(const RgbImage& screen, AVFrame* frame);

    struct Yuv {
        uint8_t y = 16;
        uint8_t u = 128;
        uint8_t v = 128;
    };
    static Yuv ToYuv(uint8_t r, uint8_t g, uint8_t b);

private:
    void PaintRows(AVFrame* frame, int cy, int sy0, int sy1);

    int m_width;
    int m_height;
    VideoRect m_area;
    std::vector<int> m_sourceColumn;
    std::vector<int> m_sourceRow;
    std::vector<Yuv> m_screenYuv;
    RgbImage m_last;
    Yuv m_border;
};
