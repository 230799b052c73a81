// Taps snapped to the singing as Place Lyrics snaps them: reads tap times (samples at 44,100 Hz,
// one a line) from standard input and prints each one moved to the nearest onset of the vocal
// track, by default up to 200 ms back and 80 ms ahead. bench/align_benchmark.py --snap scores them against the truth.
//
//   tap_snap VOCALS.wav [BACK_MS AHEAD_MS] < taps.txt   (how far a tap may move either way)
#include <cstdio>
#include <iostream>
#include <string>

#include "align/VocalOnsets.h"

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: tap_snap VOCALS [BACK_MS AHEAD_MS] < TAPS\n");
        return 2;
    }
    VocalOnsets onsets;
    std::string why;
    bool cancelled = false;
    if (!onsets.Load(argv[1], {}, why, cancelled)) {
        std::fprintf(stderr, "tap_snap: %s\n", why.c_str());
        return 1;
    }
    const uint32_t back = argc == 4 ? uint32_t(std::stoul(argv[2]) * 441 / 10) : VocalOnsets::kSnapBack;
    const uint32_t ahead = argc == 4 ? uint32_t(std::stoul(argv[3]) * 441 / 10) : VocalOnsets::kSnapAhead;
    unsigned long tap = 0;
    while (std::cin >> tap) std::printf("%u\n", onsets.Snap(uint32_t(tap), back, ahead));
    return 0;
}
