#pragma once
#include <memory>
#include <string>
#include <vector>

#include "align/AlignedWord.h"
#include "media/ProgressCallback.h"

class KaraokeSong;
class SongDocument;

// Every word of the open song timed from its singing, as the window and the command line both
// do it: the signal chosen, the aligner run, the times written into the document as the one
// step "Auto-Time Lyrics" and what the user is told of it. The song is copied when the timing
// is set up, so that the aligner may run on another thread while the window goes on.
class AutoTiming {
public:
    // vocals: a vocal track (any music file) that starts where the music starts; empty: the
    // song's own music, which must be loaded, as a full mix.
    AutoTiming(const SongDocument& doc, std::string vocals);
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

    // Whether doc's lyrics are still the ones that were timed (they may be edited meanwhile).
    bool Fits(const SongDocument& doc) const;
    // Writes the times into doc (the document it was set up from). False when nothing changed.
    bool Apply(SongDocument& doc) const;
    // What the user is told once the times are in: how many words were timed, how many of
    // them are unsure, and why all of them are when the lyrics are not English.
    std::string Summary() const;

private:
    std::unique_ptr<KaraokeSong> m_song;
    std::string m_signal;
    bool m_fullMix = false;
    bool m_spread = false;
    bool m_cancelled = false;
    std::string m_error;
    std::vector<AlignedWord> m_times;
};
