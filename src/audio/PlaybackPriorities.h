#pragma once

// Thread priorities of playback, from the "Default" settings the program keeps. The values are
// the familiar desktop levels: -2 lowest, -1 below normal, 0 normal, 1 above normal, 2 highest,
// 15 time critical, -15 idle.
struct PlaybackPriorities {
    // "AutoPlayCDGReadPriority": the thread that keeps the clock.
    int readPriority = 0;
    // "AutoPlayCDGDisplayPriority": the thread that feeds the music and the one that draws the
    // CD+G screen.
    int displayPriority = 1;
};
