#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One timed piece of an LRC line: a word (enhanced files) or an evenly spread part of the line.
// Times are hundredths of a second; files that time their words more finely (MIDI, UltraStar)
// also give microseconds, which then win.
struct LrcElement {
    int32_t start = 0;
    int32_t end = 0;
    std::string text;
    int64_t startMicros = -1;
    int64_t endMicros = -1;
};

struct LrcLine {
    int32_t singer = 1; // 1 male / default, 2 female, 3 duet
    std::vector<LrcElement> elements;
};

// What an LRC file says: its tags and its timed lines.
struct LrcDocument {
    std::string artist;
    std::string album;
    std::string title;
    std::string author;
    std::string creator;
    std::string editor;
    std::string version;
    int32_t length = 0; // hundredths of a second
    int32_t offset = 0; // milliseconds, already applied to the times
    bool enhanced = false;
    bool reordered = false; // the file's lines were out of time order and have been sorted
    std::vector<LrcLine> lines;
    std::string musicFile; // the song's music as a song file names it (UltraStar "#MP3")
};
