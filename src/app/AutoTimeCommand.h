#pragma once
#include <QString>

class AppContext;

// Edit > Auto-Time...: every word of the song timed from its singing. Asks before times the
// user placed are replaced (a song holding only line taps is timed from them, unasked), asks for
// a vocal track (Cancel there: the song's own music, and the offer to tap each line first), runs
// the aligner on a worker thread behind a progress box with Cancel, and writes the times as
// the one step "Auto-Time Lyrics"; the status bar then says how many words were timed and how
// many of them are unsure.
class AutoTimeCommand {
public:
    static constexpr const char* kVocalChooserTitle = "Choose the Vocal Track (Cancel: Use the Song's Music)";
    static constexpr const char* kProgressCaption = "Timing the Words...";
    static constexpr const char* kCancelledText = "Auto-Time was cancelled: the words keep their times.";

    explicit AutoTimeCommand(AppContext& app) : m_app(app) {}

    // True when the song has taken the new times. fromLyricsEditor: the lyric text may have
    // changed since the line list was built, which is built anew first.
    bool Run(bool fromLyricsEditor);

private:
    // Place Lyrics with Lines Only, for the user to tap each line's start.
    void TapLinesFirst();
    // The vocal track the user chose, empty for the song's own music.
    QString ChooseVocals();

    AppContext& m_app;
};
