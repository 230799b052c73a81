#pragma once
#include <cstddef>
#include <cstdint>

class KaraokeSong;
class PlayClock;
struct MKaraokeWord;

// Timing a song by taps: each tap makes the clock's moment the start of the next word element
// of the song's word list and the end of the word before it. What the Place Lyrics view does
// with the Space bar, Ctrl and End, without the window.
//
// In a duet the lines of the second singer alone are stepped over and get their times at
// Finish, shared evenly over the span of the line before them.
//
// The placement reads the song it was made for; what changes the song is handed that song to
// change (the edit it makes is the caller's to record).
class Placement {
public:
    // A word still open at Finish lasts one second.
    static constexpr uint32_t kOpenWordLength = 44100;

    // The song's word list must stay as it is while the placement lives.
    Placement(const KaraokeSong& song, const PlayClock& clock);

    // Lines only: each tap places the first word of the next line and nothing else (a moment,
    // start and end alike); the line's other words lose their times, for Auto-Time to find
    // from the taps. Set before a run.
    void SetLinesOnly(bool linesOnly) { m_linesOnly = linesOnly; }
    bool LinesOnly() const { return m_linesOnly; }

    // Back to the first word, none open. Times are kept: words this run does not reach keep
    // their earlier ones.
    void Restart();
    // Each changes song, the song the placement was made for.
    // The next word starts at the clock's moment. Null when nothing was placed (every word is
    // placed, or the clock is not running).
    const MKaraokeWord* PlaceWord(KaraokeSong& song);
    // The same at a moment read before (the mouse going down on a button).
    const MKaraokeWord* PlaceWordAt(KaraokeSong& song, uint32_t time);
    // The open word ends at the clock's moment and no word is open; the next tap leaves a gap.
    // False when no word was open (or the clock is not running).
    bool Pause(KaraokeSong& song);
    bool PauseAt(KaraokeSong& song, uint32_t time);
    // The end of a run: an open word gets one second, the duet lines their shares.
    void Finish(KaraokeSong& song);

    // The next word to place (the word count when all are placed) and the word whose end is open.
    size_t Cursor() const { return m_cursor; }
    const MKaraokeWord* CursorWord() const;
    const MKaraokeWord* OpenWord() const;
    bool AtEnd() const;

private:
    void SkipSecondSingerLines(KaraokeSong& song, const MKaraokeWord& placed);
    static void FillDuetLines(KaraokeSong& song);

    const KaraokeSong& m_song;
    const PlayClock& m_clock;
    size_t m_cursor = 0;
    static constexpr size_t kNone = SIZE_MAX;
    size_t m_open = kNone;
    bool m_linesOnly = false;
};
