#pragma once
#include "export/ExportChoices.h"

// A rectangle of a video frame, in pixels.
struct VideoRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// 1280 x 720 or 1920 x 1080.
VideoRect VideoFrameFor(VideoSize size);
// Where the 300 x 216 screen goes in a frame: the largest even-sized 4:3 area that fits (the
// screen is shown at 4:3, as the viewer shows it), centred.
VideoRect FitCdgScreen(int frameWidth, int frameHeight);
