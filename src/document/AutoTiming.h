#pragma once
#include <memory>
#include <string>
#include <vector>

#include "align/AlignedWord.h"
#include "document/SongSnapshot.h"
#include "media/ProgressCallback.h"

class KaraokeSong;
class SongDocument;

// Every word of the open song timed from its singing, as the window and the command line both
// do it: the signal chosen, the aligner run, the times written into the document as the one
// step "Auto-Time Lyrics" and what the user is told of it. The song is copied when the timing
// is set up, so that the aligner may run on another thread while the window goes on; the times
// are written only into the song as it was then.
class AutoTiming {
public:
    // How the lines are found: from where the voice is, or from the user's taps (each line
    // whose first word is placed starts there).
    enum class Lines { FromSinging, FromTaps };

    static constexpr const char* kSongChanged = "The song changed while Auto-Time ran; run it again.";
    static constexpr const char* kLyricsChanged = "the lyrics changed while they were being timed.";

    // vocals: a vocal track (any music file) that starts where the music starts; empty: the
    // song's own music, which must be loaded, as a full mix.
    AutoTiming(const SongDocument& doc, std::string vocals, Lines lines = Lines::FromSinging);
    ~AutoTiming();
    AutoTiming(const AutoTiming&) = delete;
    AutoTiming& operator=(const AutoTiming&) = delete;

    // Times the copy; any thread. False when nothing was timed: Cancelled() when progress
    // answered false, otherwise Error() says why.
    bool Run(const ProgressCallback& progress);
    bool Cancelled() const { return m_cancelled; }
    const std::string& Error() const { return m_error; }
    const std::vector<AlignedWord>& Times() const { return m_times; }
    size_t UnsureCount() const;
    // The lyrics are not English: each line was spread over its singing by syllables, every
    // word unsure.
    bool Spread() const { return m_spread; }

    // Where the user tapped each line of song: the start of its first word (0: not placed),
    // by the line's index.
    static std::vector<uint32_t> LineTaps(const KaraokeSong& song);
    // Whether the only words of song placed are first words of lines: what tapping each line
    // leaves, which Auto-Time then times from.
    static bool HoldsOnlyLineTaps(const KaraokeSong& song);
    // How many lines were timed from taps.
    size_t TappedLines() const { return m_tapped; }

    // Whether doc's song is still exactly the one that was timed: an edit, an undo or a redo
    // made meanwhile (a word placed or moved, the lyrics changed) makes the times stale.
    bool Fits(const SongDocument& doc) const;
    // Why the times cannot go in: empty when they fit doc; kLyricsChanged when the lyrics were
    // edited since the timing was set up, kSongChanged when anything else changed.
    std::string Refusal(const SongDocument& doc) const;
    // Writes the times into doc (the document it was set up from) unless the song changed
    // meanwhile. False when nothing changed.
    bool Apply(SongDocument& doc) const;
    // What the user is told once the times are in: how many words were timed, how many of
    // them are unsure, and why all of them are when the lyrics are not English.
    std::string Summary() const;

private:
    std::unique_ptr<KaraokeSong> m_song;
    std::string m_signal;
    SongSnapshot m_before;
    std::vector<uint32_t> m_lineStarts;
    size_t m_tapped = 0;
    bool m_fullMix = false;
    bool m_spread = false;
    bool m_cancelled = false;
    std::string m_error;
    std::vector<AlignedWord> m_times;
};
