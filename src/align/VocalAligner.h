#pragma once
#include <string>
#include <vector>

#include "align/AlignedWord.h"
#include "media/ProgressCallback.h"

class KaraokeSong;

// Times every word of a song's lyrics from its singing.
//
// The lines are found first from where someone sings (VocalActivity), in lyric order; then each
// line's words are aligned to that stretch by the speech model with a grammar of exactly the
// line's words. Lines the user tapped are looked for only between their tap and the next one.
// A search that stops short keeps what it found and aligns the rest of the line
// from there. Words the model's dictionary lacks are given pronunciations (Pronouncer). Lyrics
// that are not English are timed by where the singing is alone: each line over its stretch,
// its words by their syllables, every one marked unsure.
//
// It reads the song and never changes it: the window and the command line hand the result to
// the song's document (SongDocument::ApplyWordTimes), which records it as one step. It runs on
// any thread; progress (whole percentages) answering false stops it.
class VocalAligner {
public:
    enum class Language { Detect, English, Other };

    struct Options {
        // The singing: a vocal track, or the song's music itself (any file FFmpeg reads).
        std::string vocalPath;
        // The music with the band as well as the voice: the front end looks for the voice first.
        bool fullMix = false;
        Language language = Language::Detect;
        // Where the user heard lyric lines begin (a tap each), samples at 44,100 Hz, by the
        // line's index in the song's line list; 0 (or past the end): that line was not tapped.
        // A tapped line is looked for from its tap to the next tapped line's, where the voice is
        // inside that stretch; the lines between two taps share the singing between them.
        std::vector<uint32_t> lineStarts;
    };

    // Every word element of the song's lyric lines with its time, in lyric order. False with
    // Error() set when nothing could be timed; Cancelled() when progress asked to stop.
    bool Align(const KaraokeSong& song, const Options& options, const ProgressCallback& progress,
               std::vector<AlignedWord>& words);

    const std::string& Error() const { return m_error; }
    bool Cancelled() const { return m_cancelled; }

private:
    bool Fail(std::string why);

    std::string m_error;
    bool m_cancelled = false;
};
