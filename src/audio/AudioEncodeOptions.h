#pragma once
#include <cstdint>
#include <string>

#include "media/ProgressCallback.h"

// What both compressed-audio encoders take besides the source and the destination.
struct AudioEncodeOptions {
    int kbps = 128;
    // UTF-8 text, as the song keeps it; stored in the file's tags.
    std::string title;
    std::string artist;
    // Silent sample frames before the music (the stream writer's lead-in, so that the audio
    // and the CD+G stream start together) and after it.
    uint32_t leadInFrames = 0;
    uint32_t tailFrames = 0;
    // The music's length in data bytes as the song has it: the file's samples, then silence up
    // to this length (the song's music lasts as long as its stream). UINT32_MAX: the file's own.
    uint32_t musicBytes = UINT32_MAX;
    // Whole percentages of the music and the tail (the lead-in does not count); returning false
    // stops the encoding and leaves no file.
    ProgressCallback progress;
    // The name the user knows the destination by, for messages (empty: the destination): an
    // export writes its pieces elsewhere first, a pair's members beside their places and a
    // ZIP's pieces in a private folder.
    std::string shownPath;
};

// How messages name the file being written: "\"destination\"", the name the user knows it by
// when that is the same kind of file, or "for \"shownPath\"" when it is a piece of that (a ZIP).
inline std::string ShownName(const std::string& destination, const AudioEncodeOptions& options)
{
    if (options.shownPath.empty()) return "\"" + destination + "\"";
    const auto extension = [](const std::string& path) {
        const size_t dot = path.rfind('.'), slash = path.rfind('/');
        return dot == std::string::npos || (slash != std::string::npos && dot < slash) ? std::string() : path.substr(dot);
    };
    const bool same = extension(destination) == extension(options.shownPath);
    return (same ? "\"" : "for \"") + options.shownPath + "\"";
}
