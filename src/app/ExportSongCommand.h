#pragma once
#include <QString>
#include <functional>
#include <string>

#include "export/ExportChoices.h"
#include "media/WorkStatus.h"

class AppContext;
class BackgroundWork;
class UserPrompt;

// The Export Song command: the "Export Song File" dialog, then the BIN export, the MP3+G /
// WMA+G export or the MP4 export into a file the user chooses. The export takes a snapshot of
// the song once the file is chosen and works on it on a worker thread: the window stays live
// and the song may be edited meanwhile; what the export says is shown when it has ended.
class ExportSongCommand {
public:
    explicit ExportSongCommand(AppContext& app) : m_app(app) {}

    void Run();

    // What the shell keeps of the last compressed export: its choices, and the artist and title
    // the song had when it started.
    const ExportChoices& Choices() const { return m_choices; }
    const std::string& Artist() const { return m_artist; }
    const std::string& Title() const { return m_title; }

    // The name an export of the song is offered under: "Artist - Title" (either alone when the
    // other is empty; the project's name when both are), with characters no file name may hold
    // replaced; "" when there is nothing to go by.
    static QString SuggestedName(const QString& artist, const QString& title, const QString& projectPath);
    // "Wrote FILE (SIZE)." for the files an export wrote, sizes as the file system has them.
    static QString WrittenText(const QStringList& paths);

private:
    void ExportBinFile();
    void ExportCompressed(const ExportChoices& choices);
    void ExportVideo(const ExportChoices& choices);
    // Runs exportSong on work's worker thread with a prompt that keeps what it says, then
    // shows that, and why the work stopped when it threw.
    void RunInBackground(BackgroundWork& work, const std::function<void(UserPrompt&)>& exportSong);
    // The save chooser, offering the song's name in the music folder; the chosen path with its
    // default extension, or "" when cancelled. The music folder becomes the chosen file's folder.
    QString ChooseTarget(const QString& title, const QString& filter, const QString& extension,
                         const ExportChoices& choices);
    // What the window's status bar says when the export has written its files.
    void TellWritten(const QStringList& paths);
    // Says in the status bar that the export was cancelled, as the command line says it; false
    // when it was not.
    bool TellCancelled(WorkStatus status);

    AppContext& m_app;
    ExportChoices m_choices;
    std::string m_artist;
    std::string m_title;
};
