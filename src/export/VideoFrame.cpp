#include "export/VideoFrame.h"

namespace {

// The CD+G screen is shown at 4:3, as the viewer shows it.
constexpr int kScreenAspectWidth = 4;
constexpr int kScreenAspectHeight = 3;

} // namespace

VideoRect VideoFrameFor(VideoSize size)
{
    constexpr VideoRect k720{0, 0, 1280, 720};
    constexpr VideoRect k1080{0, 0, 1920, 1080};
    return size == VideoSize::Hd1080 ? k1080 : k720;
}

VideoRect FitCdgScreen(int frameWidth, int frameHeight)
{
    int width = frameWidth, height = frameWidth * kScreenAspectHeight / kScreenAspectWidth;
    if (height > frameHeight) {
        height = frameHeight;
        width = frameHeight * kScreenAspectWidth / kScreenAspectHeight;
    }
    // Even sizes and offsets: each 2 x 2 block of a 4:2:0 picture lies wholly inside or outside.
    width &= ~1;
    height &= ~1;
    return {((frameWidth - width) / 2) & ~1, ((frameHeight - height) / 2) & ~1, width, height};
}
