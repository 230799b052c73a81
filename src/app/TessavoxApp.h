#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "app/AppContext.h"
#include "app/AppSettings.h"
#include "app/QtUserPrompt.h"
#include "audio/MusicImport.h"
#include "document/SongDocument.h"
#include "timing/PlayClock.h"

class MainWindow;
class ProgressDialog;
class ExportSongCommand;
class AutoTimeCommand;
class KaraokeSong;
class QTimer;

// The application: the one open song, the per-user settings, the project lifecycle, the music
// that belongs to the project and the switching between the four working views.
class TessavoxApp : public AppContext {
    Q_OBJECT
public:
    static constexpr const char* kAppName = "Tessavox";

    TessavoxApp();
    ~TessavoxApp() override;
    static TessavoxApp* Instance();

    // Start-up: song, main frame, settings, first view. The frame is shown unless told not to.
    bool InitInstance(bool showFrame = true);

    const KaraokeSong& Song() const override { return m_document.Song(); }
    SongDocument& Document() override { return m_document; }
    AppSettings& Settings() override { return m_settings; }
    QtUserPrompt& Prompt() override { return m_prompt; }
    MainWindow* Frame() const override { return m_frame.get(); }

    // State the enabled rules read.
    int CurrentView() const { return m_currentView; }
    bool IsPlaying() const;
    // An export runs (on its own snapshot of the song): the song may change meanwhile, but a
    // second export waits, and the window stays until the export has ended.
    bool Exporting() const;
    bool MusicLoaded() const override { return m_document.MusicLoaded(); }
    bool SomeLyricsPlaced() const;
    bool OpenedFromFile() const { return m_openedFromFile; }
    bool AutoSaveOn() const override { return m_autoSave == AppSettings::kAutoSaveOn; }
    bool Mp3Support() const override { return m_mp3Support; }
    void SetMp3Support(bool support) { m_mp3Support = support; }
    // The PCM file playback and export read: the song's work file.
    QString WorkingAudioPath() const override;
    void OpenRecent(const QString& path) override;
    void OpenDroppedFiles(const QStringList& paths) override;
    QString MusicSourcePath() const override;
    int SampleRate() const override;
    QString& MusicFolder() override { return m_musicFolder; }
    QString& LyricsFolder() override { return m_lyricsFolder; }
    QString& ProjectFolder() { return m_projectFolder; }
    QString& GraphicsFolder() override { return m_graphicsFolder; }

    // Commands by their menu numbers.
    bool CommandEnabled(int command) const override;
    void RunCommand(int command) override;

    // The project lifecycle.
    void FileNew();
    void FileOpen();
    bool OpenProject(const QString& path);
    void FileClose();
    // False when the project was not written (the user has been told why) or the choice was cancelled.
    bool FileSave();
    bool FileSaveAs();
    void ToggleAutoSave();
    bool Exit();
    bool CloseQuery() override;

    // A later start of the program handed over its project ("" for none): the window comes to
    // the front and opens it the way File > Open does, after the unsaved-changes question.
    void OpenFromAnotherStart(const QString& path);
    // A signal asked the program to stop: a running export is cancelled (its partial files go),
    // playback stops, no box is shown, and the event loops end with 128 + the signal's number.
    void Terminate(int signalNumber);
    // That status once a signal has come, 0 before.
    int TerminationStatus() const { return m_terminationStatus; }

    void SwitchView(int view);
    // Saves a modified song as a view is left, when Auto Save is on (see the rule inside).
    void AutoSave();
    bool AddMusic() override;
    void SongSettings();
    void RefreshCaption() override;
    QString Caption() const;

    ExportSongCommand& ExportSong() { return *m_exportSong; }

    // Undo and Redo of the song's last step; the view is built anew on the state reached.
    void Undo();
    void Redo();
    // Keeps a recovery copy of the unsaved song while the program runs (the real program does;
    // tests need not), and offers the songs that programs before it left unsaved.
    void EnableRecovery();
    // True when a recovered song was opened.
    bool OfferRecovery();

    // Whether something plays; the global player by default (tests may stand in for it).
    std::function<bool()> playingProbe;
    // The clock that placing and adjusting words read: the player's, unless a test set its own.
    const PlayClock& Clock() const override { return m_clockOverride ? *m_clockOverride : m_playerClock; }
    void SetClockForTesting(const PlayClock* clock) { m_clockOverride = clock; }
    // The song settings dialog on a working copy (the real dialog unless replaced).
    std::function<bool(KaraokeSong& copy)> settingsDialog;

private:
    void SaveWindowState();
    void ResetSong();
    // Builds view anew without the auto save of a view switch.
    void ShowView(int view);
    // An untitled song with no music and no path, as after File > Close.
    void BecomeUntitled();
    void ExitWhenWorkHasEnded();
    // Makes the view show the song anew after its content changed under it.
    void FollowDocument();
    void LoadSongMusic(bool askWhenMissing);
    // What reports a music import's progress: a progress dialog (kept in dialog) while music
    // at path is decoded; nothing for music played where it lies.
    // Reads the music at path through load, which is given the progress and the runner of the
    // decode: a cancellable progress box when the music must be decoded.
    using MusicLoad = std::function<WorkOutcome(MusicImport::Progress, const SongDocument::WorkRunner&)>;
    WorkOutcome ReadMusic(const std::string& path, const MusicLoad& load);
    // The music folder and the status line follow music just loaded.
    void NoteMusicLoaded();
    // Attaches the music at path, its decoding shown with Cancel. When it failed,
    // TellMusicRefused says why and asks whether to choose another file.
    WorkOutcome AttachMusicFile(const QString& path);
    bool TellMusicRefused();
    // A dropped file of a kind the window takes.
    void OpenDroppedFile(const QString& path);

    static TessavoxApp* s_instance;
    AppSettings m_settings;
    QtUserPrompt m_prompt;
    SongDocument m_document;
    const KaraokeSong* m_song = &m_document.Song();
    QTimer* m_recoveryTimer = nullptr;
    std::unique_ptr<MainWindow> m_frame;
    std::unique_ptr<ExportSongCommand> m_exportSong;
    std::unique_ptr<AutoTimeCommand> m_autoTime;
    int m_currentView = 0;
    bool m_openedFromFile = false;
    // The song's changes so far (steps, content and music), the count when Auto Save last failed or
    // was refused a name, and whether it has asked an untitled song for its name.
    uint64_t m_songChanges = 0;
    uint64_t m_autoSaveRefusedAt = UINT64_MAX;
    bool m_autoSaveAskedName = false;
    bool m_mp3Support = false;
    int m_autoSave = AppSettings::kAutoSaveOn;
    int m_terminationStatus = 0;
    PlayerClock m_playerClock;
    const PlayClock* m_clockOverride = nullptr;
    QString m_lyricsFolder, m_projectFolder, m_musicFolder, m_graphicsFolder;
};
