#pragma once
#include <QString>
#include <string>

#include "export/ExportChoices.h"

class AppContext;
class UserPrompt;

// The Export Song command: the "Export Song File" dialog, then the BIN export, the MP3+G /
// WMA+G export or the MP4 export into a file the user chooses. The shell is busy for the whole of it; the
// engine's work runs on a worker thread while the window stays live.
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
    // prompt: what the engine says from the worker thread.
    void ExportBinFile(UserPrompt& prompt);
    void ExportCompressed(const ExportChoices& choices, UserPrompt& prompt);
    void ExportVideo(const ExportChoices& choices, UserPrompt& prompt);
    // The save chooser, offering the song's name in the music folder; the chosen path with its
    // default extension, or "" when cancelled. The music folder becomes the chosen file's folder.
    QString ChooseTarget(const QString& title, const QString& filter, const QString& extension,
                         const ExportChoices& choices);
    // What the window's status bar says when the export has written its files.
    void TellWritten(const QStringList& paths);

    AppContext& m_app;
    ExportChoices m_choices;
    std::string m_artist;
    std::string m_title;
};
