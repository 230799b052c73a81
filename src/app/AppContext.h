#pragma once
#include <QObject>
#include <QString>

class AppSettings;
class MainWindow;
class KaraokeSong;
class PlayClock;
class QtUserPrompt;
class SongDocument;

// The program as its window, views, dialogs and commands see it: the open song's document, the
// settings, the prompts, the clock words are timed against, the folders the choosers start in and
// the commands by their menu numbers. The application implements it; what it shows depends only
// on this, so nothing below the application includes the application.
class AppContext : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~AppContext() override = default;

    // The open song, to read; it changes only through the document (an edit or an operation).
    virtual const KaraokeSong& Song() const = 0;
    virtual SongDocument& Document() = 0;
    virtual AppSettings& Settings() = 0;
    virtual QtUserPrompt& Prompt() = 0;
    virtual MainWindow* Frame() const = 0;
    // The clock that placing and adjusting words read.
    virtual const PlayClock& Clock() const = 0;

    virtual bool MusicLoaded() const = 0;
    virtual bool AutoSaveOn() const = 0;
    virtual bool Mp3Support() const = 0;
    // The PCM file playback and export read.
    virtual QString WorkingAudioPath() const = 0;
    virtual QString MusicSourcePath() const = 0;
    virtual int SampleRate() const = 0;
    virtual QString& MusicFolder() = 0;
    virtual QString& LyricsFolder() = 0;
    virtual QString& GraphicsFolder() = 0;

    // Commands by their menu numbers.
    virtual bool CommandEnabled(int command) const = 0;
    virtual void RunCommand(int command) = 0;
    virtual bool AddMusic() = 0;
    // Opens a project of the recent-file list (after the unsaved-changes question); one that
    // is no longer there is told of and leaves the list.
    virtual void OpenRecent(const QString& path) = 0;
    // Files dropped on the window, each the way its kind goes: a project opens (after the
    // unsaved-changes question), music is attached as Add Music does, lyrics are imported as
    // Import Lyrics does; a file of no use is named in the status bar with the reason.
    virtual void OpenDroppedFiles(const QStringList& paths) = 0;
    virtual void RefreshCaption() = 0;
    // Asks about unsaved changes before the window closes; false when the user kept it open.
    virtual bool CloseQuery() = 0;

signals:
    // Something the enabled rules read has changed.
    void StateChanged();
};
