#pragma once
#include <algorithm>
#include <cstdint>
#include <string>

// What the CD+G screen shows a singer between lines, stored with the song. Both parts are off
// in a new song, and a song with both off streams and saves exactly as one without them.
struct SingerGuidance {
    static constexpr int32_t kDefaultCountInGapMs = 5000;
    static constexpr int32_t kDefaultNoticeGapMs = 12000;
    // The gaps the settings take, in milliseconds: a second to ten minutes.
    static constexpr int32_t kFewestGapMs = 1000;
    static constexpr int32_t kMostGapMs = 600000;
    static constexpr const char* kDefaultNoticeText = "\xE2\x99\xAA Instrumental \xE2\x99\xAA";

    // A count-in of up to four marks before the first line and before every line that starts
    // countInGapMs or more after the line before it ends.
    bool countIn = false;
    int32_t countInGapMs = kDefaultCountInGapMs;
    // A notice on a free lyric row during every gap of noticeGapMs or more.
    bool notice = false;
    int32_t noticeGapMs = kDefaultNoticeGapMs;
    std::string noticeText = kDefaultNoticeText;

    bool AnyOn() const { return countIn || notice; }
    // The gaps brought within what the settings take.
    void KeepGapsInRange()
    {
        countInGapMs = std::clamp(countInGapMs, kFewestGapMs, kMostGapMs);
        noticeGapMs = std::clamp(noticeGapMs, kFewestGapMs, kMostGapMs);
    }
    bool operator==(const SingerGuidance&) const = default;
};
