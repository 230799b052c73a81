#pragma once
#include <cstdint>
#include <string>

// The descriptive tags of a music file (UTF-8, as FFmpeg gives them) and its length.
struct MusicTags {
    std::string title;
    std::string artist; // the album artist when the artist is empty
    std::string brand;  // publisher
    std::string album;
    std::string track;
    int64_t duration = 0; // 100-nanosecond units, 0 when unknown
};
