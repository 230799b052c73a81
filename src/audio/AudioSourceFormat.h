#pragma once

// What a music file holds before it becomes the work file: its rate, its channels and, for
// lossless and PCM music, its sample size (0 for lossy music, whose decoder picks one).
struct AudioSourceFormat {
    int rate = 0;
    int channels = 0;
    int bits = 0;
    bool isFloat = false;
};
