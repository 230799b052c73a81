#pragma once
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "app/FileChooser.h"
#include "app/QtUserPrompt.h"

class AppContext;
class FindLyricsDialog;
class KaraokeSong;

// Answers the program's message boxes, file choosers and modal dialogs in tests, and remembers
// what they were.
class Answers {
public:
    Answers();
    ~Answers();

    // Message boxes: questions get the next queued answer (Yes when the queue is empty).
    std::vector<QtUserPrompt::Box> boxes;
    std::vector<PromptAnswer> answers;
    // Notices with a "don't show again" box: each gets the next queued tick (unticked when empty).
    std::vector<bool> ticks;
    // File choosers: each gets the next queued path ("" cancels).
    std::vector<FileChoice> choices;
    QStringList paths;
    // "Lyrics Already Placed" notices seen (each is closed at once).
    int notices = 0;
    // What the find-lyrics dialog does when it opens (by default: presses "Local File...").
    std::function<int(FindLyricsDialog&)> findLyrics;

    bool Asked(const std::string& caption) const;
    size_t Count(const std::string& caption) const;
};

// Changes the open song as a view does: one edit, recorded as a step (the song is modified).
void EditSong(AppContext& app, const std::function<void(KaraokeSong&)>& change);

// A 44,100 Hz 16-bit stereo WAV of a quiet tone.
void WriteToneWav(const QString& path, double seconds);
