#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "project/LyricRow.h"
#include "project/MTextType.h"

class CdgPacketGenerator;
struct SingerGuidance;

// One sung line as the stream writer placed it, for the singer guidance.
struct GuidedLine {
    LyricRow row{1, 0};
    int32_t slot = 0;
    const std::string* text = nullptr;
    // The line's style as it is drawn: the singer's colour.
    MTextType style;
    // Its first timed word: characters and start; the end of its last word (samples).
    int32_t firstChar = 0, lastChar = 0;
    int64_t firstStart = 0, lastEnd = 0;
    // When it is drawn and erased (samples).
    int64_t draw = 0, erase = 0;
    // The stream offset by which its drawing has been written; 0 when this run does not draw it.
    size_t drawnBy = 0;
};

// Where the guidance goes in the stream's timeline.
struct GuidanceTimeline {
    // The stream offset of a song time (samples), as the sweeps are placed.
    std::function<size_t(int64_t)> position;
    // Nothing is drawn before this offset (the screen resets before the lyrics), nor before `from`
    // (the writer's from time).
    size_t earliest = 0;
    size_t from = 0;
    int background = 0;
    // The lyric rows: how many slots a page has and where each one sits.
    int slots = 1;
    std::function<LyricRow(int)> row;
    // The page's text style for the notice.
    MTextType noticeStyle;
};

// Writes the count-in marks and the instrumental notices the guidance asks for into a stream
// whose sweeps, draws and erases are written already (buffer: the stream's bytes, read to find
// free packet slots). Nothing already written moves: a mark whose packets find no free slot at
// their moment (or a little before) is left out rather than drawn late, and a notice is shown
// only on a lyric row that no line holds during the gap, and erased before the count-in starts.
void WriteSingerGuidance(CdgPacketGenerator& generator, std::span<const uint8_t> buffer, const SingerGuidance& guidance,
                         const std::vector<GuidedLine>& lines, const GuidanceTimeline& timeline);
