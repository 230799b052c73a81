#include "app/TessavoxApp.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include "app/AutoTimeCommand.h"
#include "app/BackgroundWork.h"
#include "app/MainWindow.h"
#include "app/CommandIds.h"
#include "app/ExportSongCommand.h"
#include "app/FileChooser.h"
#include "app/QtText.h"
#include "app/ViewReport.h"
#include "app/dialogs/EditLyricsWarningDialog.h"
#include "app/dialogs/ProgressDialog.h"
#include "app/dialogs/SongSettingsDialog.h"
#include "app/views/SongView.h"
#include "audio/MusicImport.h"
#include "document/RecoveryFile.h"
#include "document/SongFileKind.h"
#include "log/MLineListLog.h"
#include "log/MLogQueue.h"
#include "log/KaraokeSongDumpLog.h"
#include "log/MUserActionLog.h"
#include "player/KaraokePlayer.h"
#include "project/KaraokeSong.h"
#include "project/MusicLocation.h"
#include "project/ProjectFile.h"

namespace {

constexpr const char* kMsgConfirmClosing = "You have made changes to this project.\nDo you want to save it?";
constexpr const char* kCaptionConfirmClosing = "Confirm Closing Project";
constexpr const char* kMsgOverwritePlaced =
    "Warning! You have already placed some lyrics.\nClick \"Yes\" to redo the lyrics from the start.\nClick \"No\" "
    "to cancel this operation.";
constexpr const char* kCaptionOverwritePlaced = "Confirm Overwriting Placed Lyrics";
constexpr const char* kMsgMusicNotFound =
    "The music file associated with this\nproject cannot be found.  Would you\nlike to select a music file now?\n";
constexpr const char* kCaptionMusicNotFound = "Music File Not Found";
constexpr const char* kMsgMusicError = "The music file associated with this\nproject has an error:\n\n";
constexpr const char* kMsgMusicErrorTail = " Would you like to select a different\nmusic file now?\n";
constexpr const char* kCaptionMusicError = "Error in Music File";
constexpr const char* kMsgChooseAnother = "Would you like to choose another file?";
constexpr const char* kUntitled = "Untitled";
constexpr const char* kMusicMissingMark = " (music missing)";
constexpr uint32_t kActionAddMusic = 0;
constexpr uint32_t kActionSettings = 6;
// After a signal: how often to look whether the cancelled export has ended, and at most how
// many stacked boxes to close meanwhile.
constexpr int kExitPollMs = 20;
constexpr int kMaxBoxesClosed = 16;
// How often an unsaved song's recovery copy is brought up to date (only when it changed).
constexpr int kRecoveryWriteMs = 2000;

// Paths are kept in the song as the file system spells them.
std::string PathBytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString PathText(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString FolderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

void LogAction(const char* name, uint32_t action)
{
    if (MLogQueue::LoggingOn()) MLogQueue::Add(std::make_unique<MUserActionLog>(name, action), true);
}

// The focused text editor, if any: the edit commands act on it.
QWidget* FocusedEditor()
{
    QWidget* w = QApplication::focusWidget();
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w)) return w;
    return nullptr;
}

bool EditorHasSelection(QWidget* w)
{
    if (auto* l = qobject_cast<QLineEdit*>(w)) return l->hasSelectedText();
    if (auto* p = qobject_cast<QPlainTextEdit*>(w)) return p->textCursor().hasSelection();
    if (auto* t = qobject_cast<QTextEdit*>(w)) return t->textCursor().hasSelection();
    return false;
}

bool EditorReadOnly(QWidget* w)
{
    if (auto* l = qobject_cast<QLineEdit*>(w)) return l->isReadOnly();
    if (auto* p = qobject_cast<QPlainTextEdit*>(w)) return p->isReadOnly();
    if (auto* t = qobject_cast<QTextEdit*>(w)) return t->isReadOnly();
    return true;
}

void EditorDo(QWidget* w, int command)
{
    auto run = [command](auto* e) {
        switch (command) {
        case CommandId::EditCut: e->cut(); break;
        case CommandId::EditCopy: e->copy(); break;
        case CommandId::EditPaste: e->paste(); break;
        case CommandId::EditSelectAll: e->selectAll(); break;
        default: break;
        }
    };
    if (auto* l = qobject_cast<QLineEdit*>(w)) run(l);
    else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
        run(p);
        if (command == CommandId::EditSelectAll) p->ensureCursorVisible();
    } else if (auto* t = qobject_cast<QTextEdit*>(w)) {
        run(t);
        if (command == CommandId::EditSelectAll) t->ensureCursorVisible();
    }
}

} // namespace

TessavoxApp* TessavoxApp::s_instance = nullptr;

TessavoxApp::TessavoxApp()
    : m_exportSong(std::make_unique<ExportSongCommand>(*this)), m_autoTime(std::make_unique<AutoTimeCommand>(*this))
{
    s_instance = this;
    m_document.SetPrompt(&m_prompt);
    m_document.Subscribe([this](SongDocument::Change change) {
        // The caption shows whether the song is modified.
        if (change == SongDocument::Change::Modified) {
            if (QThread::currentThread() == thread()) RefreshCaption();
            else QMetaObject::invokeMethod(this, [this] { RefreshCaption(); }, Qt::QueuedConnection);
        }
        if (change == SongDocument::Change::History || change == SongDocument::Change::Modified) emit StateChanged();
        if (change == SongDocument::Change::Content || change == SongDocument::Change::Music ||
            change == SongDocument::Change::History)
            ++m_songChanges;
        // Another song: Auto Save may ask for its name again, and what the status bar said of
        // the last one goes.
        if (change == SongDocument::Change::Path) {
            m_autoSaveAskedName = false;
            if (m_frame && QThread::currentThread() == thread()) m_frame->statusBar()->clearMessage();
        }
    });
    m_document.SetPlayingProbe([this] { return IsPlaying(); });
    settingsDialog = [this](KaraokeSong& copy) { return SongSettingsDialog::Run(*this, copy); };
}

TessavoxApp::~TessavoxApp()
{
    // A clean exit leaves no recovery copy; after a signal the unsaved song is offered again.
    if (m_terminationStatus == 0) m_document.RemoveRecovery();
    if (m_frame) m_frame->StopPlaying();
    m_frame.reset();
    DestroyGlobalPlayer();
    if (s_instance == this) s_instance = nullptr;
}

TessavoxApp* TessavoxApp::Instance()
{
    return s_instance;
}

bool TessavoxApp::InitInstance(bool showFrame)
{
    ResetSong();
    m_frame = std::make_unique<MainWindow>(*this);
    m_prompt.SetParent(m_frame.get());
    SwitchView(ViewId::EditLyrics);

    m_frame->RestorePlacement(m_settings.HasWindowRect() ? m_settings.WindowRect() : m_frame->FirstWindowRect(),
                              m_settings.Int(AppSettings::kSettings, "AppWindowMaximized", 0) != 0, showFrame);
    m_lyricsFolder = m_settings.String(AppSettings::kSettings, "LyricsPath");
    m_projectFolder = m_settings.String(AppSettings::kSettings, "ProjectPath");
    m_musicFolder = m_settings.String(AppSettings::kSettings, "MusicPath");
    m_graphicsFolder = m_settings.String(AppSettings::kSettings, "GraphicsPath");
    RefreshCaption();
    m_autoSave = m_settings.Int(AppSettings::kSettings, "AutoSave", AppSettings::kAutoSaveOn);
    emit StateChanged();
    return true;
}

QString TessavoxApp::WorkingAudioPath() const
{
    if (!MusicLoaded()) return {};
    const std::string work = m_song->MusicWorkPath();
    return PathText(work.empty() ? m_document.MusicResult().path : work);
}

QString TessavoxApp::MusicSourcePath() const
{
    return PathText(m_document.MusicSource());
}

int TessavoxApp::SampleRate() const
{
    return MusicLoaded() ? m_document.MusicResult().sampleRate : 0;
}

bool TessavoxApp::IsPlaying() const
{
    return playingProbe ? playingProbe() : GlobalPlayerIsPlaying();
}

bool TessavoxApp::Exporting() const
{
    return BackgroundWork::RunningCount() > 0;
}

bool TessavoxApp::SomeLyricsPlaced() const
{
    return !IsPlaying() && MusicLoaded() && !m_song->lyricText.empty() && m_song->LyricsPlaced();
}

bool TessavoxApp::CommandEnabled(int command) const
{
    const bool idle = !IsPlaying();
    switch (command) {
    case CommandId::FileNew:
    case CommandId::FileOpen:
    case CommandId::Exit:
    case CommandId::Settings:
    case CommandId::ModeEditLyrics: return idle;
    case CommandId::FileClose: return idle && !m_song->projectPath.empty();
    case CommandId::FileSave: return idle && m_document.Modified();
    case CommandId::FileSaveAs: return idle;
    case CommandId::ExportSong: return !Exporting() && SomeLyricsPlaced();
    case CommandId::ModePlaceLyrics: return idle && MusicLoaded() && !m_song->lyricText.empty();
    case CommandId::ModeAdjustLyrics:
    case CommandId::ModePlayFinal: return SomeLyricsPlaced();
    // Not while an export runs: the aligner's work would wait behind it.
    case CommandId::AutoTime: return idle && !Exporting() && MusicLoaded() && !m_song->lyricText.empty();
    case CommandId::EditCut:
    case CommandId::EditCopy: {
        QWidget* e = FocusedEditor();
        return e && EditorHasSelection(e);
    }
    case CommandId::EditPaste: {
        QWidget* e = FocusedEditor();
        return e && !EditorReadOnly(e) && QApplication::clipboard() &&
               !QApplication::clipboard()->text().isEmpty();
    }
    case CommandId::EditSelectAll: return FocusedEditor() != nullptr;
    // Not while the music plays (placing among it).
    case CommandId::EditUndo: return idle && m_document.CanUndo();
    case CommandId::EditRedo: return idle && m_document.CanRedo();
    case CommandId::Pellamar: {
        QSettings machine(QSettings::IniFormat, QSettings::SystemScope, "Kelvane", "Pellamar");
        return !machine.value("User/InstallFolder").toString().isEmpty();
    }
    default: return true;
    }
}

void TessavoxApp::RunCommand(int command)
{
    if (!CommandEnabled(command)) return;
    switch (command) {
    case CommandId::FileNew: FileNew(); break;
    case CommandId::FileOpen: FileOpen(); break;
    case CommandId::FileClose: FileClose(); break;
    case CommandId::FileSave: FileSave(); break;
    case CommandId::FileSaveAs: FileSaveAs(); break;
    case CommandId::AutoSave: ToggleAutoSave(); break;
    case CommandId::Exit: Exit(); break;
    case CommandId::Settings: SongSettings(); break;
    case CommandId::ExportSong: m_exportSong->Run(); break;
    case CommandId::AutoTime:
        if (m_autoTime->Run(m_currentView == ViewId::EditLyrics)) FollowDocument();
        break;
    case CommandId::EditUndo: Undo(); break;
    case CommandId::EditRedo: Redo(); break;
    case CommandId::EditCut:
    case CommandId::EditCopy:
    case CommandId::EditPaste:
    case CommandId::EditSelectAll:
        if (QWidget* e = FocusedEditor()) EditorDo(e, command);
        break;
    case CommandId::ModeEditLyrics:
        if (SomeLyricsPlaced()) EditLyricsWarningDialog(m_frame.get()).Run();
        SwitchView(ViewId::EditLyrics);
        break;
    case CommandId::ModePlaceLyrics:
        if (SomeLyricsPlaced() && m_prompt.Ask(kMsgOverwritePlaced, kCaptionOverwritePlaced, PromptButtons::YesNo,
                                               PromptIcon::Warning) != PromptAnswer::Yes)
            return;
        SwitchView(ViewId::PlaceLyrics);
        break;
    case CommandId::ModeAdjustLyrics: SwitchView(ViewId::AdjustLyrics); break;
    case CommandId::ModePlayFinal: SwitchView(ViewId::PlayFinal); break;
    default:
        if (m_frame) m_frame->RunPeripheralCommand(command);
        break;
    }
    emit StateChanged();
}

void TessavoxApp::ResetSong()
{
    m_document.New();
}


QString TessavoxApp::Caption() const
{
    const QString path = PathText(m_song->projectPath);
    // "[*]": where the window shows its unsaved mark ("*") while the song has unsaved changes.
    QString caption =
        QString("%1 - %2[*]").arg(kAppName, path.isEmpty() ? QString(kUntitled) : QFileInfo(path).fileName());
    // The song keeps the path of music that is nowhere; the user sees so for as long as it is.
    if (!MusicLoaded() && m_document.MusicMissing()) caption += kMusicMissingMark;
    return caption;
}

void TessavoxApp::RefreshCaption()
{
    if (m_frame) {
        m_frame->setWindowTitle(Caption());
        m_frame->setWindowModified(m_document.Modified());
    }
    emit StateChanged();
}

void TessavoxApp::SaveWindowState()
{
    if (m_frame) {
        m_settings.SetWindowRect(m_frame->NormalRect());
        m_settings.SetInt(AppSettings::kSettings, "AppWindowMaximized", m_frame->isMaximized() ? 1 : 0);
    }
    m_settings.SetString(AppSettings::kSettings, "LyricsPath", m_lyricsFolder);
    m_settings.SetString(AppSettings::kSettings, "ProjectPath", m_projectFolder);
    m_settings.SetString(AppSettings::kSettings, "MusicPath", m_musicFolder);
    m_settings.SetString(AppSettings::kSettings, "GraphicsPath", m_graphicsFolder);
    m_settings.Sync();
}

bool TessavoxApp::CloseQuery()
{
    // The window cannot go while an export runs: its worker would be left behind.
    if (Exporting()) return false;
    if (m_frame) m_frame->StopPlaying();
    if (m_document.Modified()) {
        const PromptAnswer answer = m_prompt.Ask(kMsgConfirmClosing, kCaptionConfirmClosing,
                                                 PromptButtons::YesNoCancel, PromptIcon::Question);
        if (answer == PromptAnswer::Cancel) return false;
        // A save that failed (the user has been told why) keeps the window and the changes.
        if (answer == PromptAnswer::Yes && !FileSave()) return false;
    }
    SaveWindowState();
    return true;
}

void TessavoxApp::BecomeUntitled()
{
    ResetSong();
    m_openedFromFile = false;
    m_autoSaveAskedName = false;
    ShowView(ViewId::EditLyrics);
    RefreshCaption();
}

void TessavoxApp::FileClose()
{
    if (!CloseQuery()) return;
    BecomeUntitled();
    emit StateChanged();
}

void TessavoxApp::FileNew()
{
    FileClose();
    SongSettings();
    SwitchView(ViewId::EditLyrics);
}

void TessavoxApp::FileOpen()
{
    if (!CloseQuery()) return;
    FileChoice choice;
    choice.title = "Open Tessavox Project";
    choice.folder = m_projectFolder;
    choice.filters = {kProjectFilter};
    choice.defaultSuffix = "tvx";
    const QString path = FileChooser::Choose(m_frame.get(), choice);
    if (path.isEmpty()) return;
    OpenProject(path);
}

bool TessavoxApp::OpenProject(const QString& path)
{
    m_projectFolder = FolderOf(path);
    if (!m_document.Open(PathBytes(path))) {
        // The loader has told the user why; the song that was open stays open, as it was, and
        // keeps its own path, so no Save or Auto Save can write over the refused file.
        emit StateChanged();
        return false;
    }
    m_openedFromFile = true;
    m_settings.AddRecentFile(QFileInfo(path).absoluteFilePath());
    LoadSongMusic(true);
    return true;
}

void TessavoxApp::LoadSongMusic(bool askWhenMissing)
{
    bool chooseMusic = false;
    if (!m_song->musicPath.empty()) {
        // A folder of projects and music that was moved still finds the music beside the
        // project; the song keeps the path it stored until the user chooses other music.
        const MusicLocation where = m_document.LocateMusic();
        const WorkOutcome outcome = ReadMusic(where.path, [this](MusicImport::Progress progress,
                                                                 const SongDocument::WorkRunner& run) {
            return m_document.LoadProjectMusic(std::move(progress), false, run);
        });
        const bool loaded = outcome.Succeeded();
        if (outcome.status == WorkStatus::Cancelled) {
            // The user stopped the reading: the song opens without playing music, and keeps
            // the music it names.
            m_document.ForgetMusic(true);
        } else if (loaded) {
            NoteMusicLoaded();
            chooseMusic = askWhenMissing && !QFileInfo::exists(MusicSourcePath()) &&
                          m_prompt.Ask(kMsgMusicNotFound, kCaptionMusicNotFound, PromptButtons::YesNo,
                                       PromptIcon::Question) == PromptAnswer::Yes;
        } else {
            const bool missing = where.path.empty();
            std::string text = std::string(kMsgMusicError) +
                               (missing ? std::string(kMsgMusicFileNotFound) : m_document.MusicResult().errorText);
            // Music that is nowhere: every place it was looked for, the stored path first.
            if (missing)
                for (const std::string& tried : where.tried) text += EngineText(PathText(tried)) + "\n";
            text += std::string("\n") + kMsgMusicErrorTail;
            if (m_prompt.Ask(text, kCaptionMusicError, PromptButtons::YesNo, PromptIcon::Question) ==
                PromptAnswer::Yes) {
                chooseMusic = true;
            } else if (missing) {
                // The project still names its music, and saves it so, until other music is
                // chosen: the file may be on a disk that is not there today.
                m_document.ForgetMusic(true);
            } else {
                m_document.ForgetMusic(false);
            }
        }
    }
    // The opened song's own view comes first, unmodified: whatever view the last song was in,
    // leaving it must not auto-save the song just read.
    ShowView(ViewId::EditLyrics);
    if (chooseMusic) AddMusic();
    RefreshCaption();
    emit StateChanged();
}

bool TessavoxApp::FileSave()
{
    if (m_song->projectPath.empty()) return FileSaveAs();
    // Typing after the save is a step of its own.
    if (m_frame) m_frame->EndTypingStep();
    const bool saved = m_document.Save().Succeeded();
    RefreshCaption();
    return saved;
}

bool TessavoxApp::FileSaveAs()
{
    FileChoice choice;
    choice.save = true;
    choice.title = "Save Tessavox Project";
    choice.folder = m_projectFolder;
    choice.filters = {kProjectFilter};
    choice.defaultSuffix = "tvx";
    QString path = FileChooser::Choose(m_frame.get(), choice);
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += ".tvx";
    m_projectFolder = FolderOf(path);
    // The song keeps its old name unless it was really written under the new one.
    if (m_frame) m_frame->EndTypingStep();
    const bool saved = m_document.SaveAs(PathBytes(path)).Succeeded();
    if (saved) m_settings.AddRecentFile(QFileInfo(path).absoluteFilePath());
    RefreshCaption();
    return saved;
}

void TessavoxApp::ToggleAutoSave()
{
    m_autoSave = AutoSaveOn() ? 0 : AppSettings::kAutoSaveOn;
    m_settings.SetInt(AppSettings::kSettings, "AutoSave", m_autoSave);
    emit StateChanged();
}

bool TessavoxApp::Exit()
{
    if (!CloseQuery()) return false;
    if (m_frame) m_frame->CloseWithoutQuery();
    return true;
}

void TessavoxApp::SwitchView(int view)
{
    if (m_currentView != 0 && m_currentView != ViewId::PlayFinal) AutoSave();
    ShowView(view);
}

void TessavoxApp::AutoSave()
{
    if (!AutoSaveOn() || !m_document.Modified() || m_terminationStatus != 0) return;
    // A save that failed, or a name the user did not give, is not asked for again until the
    // song changes: the recovery copy keeps the song safe meanwhile.
    if (m_autoSaveRefusedAt == m_songChanges) return;
    if (m_song->projectPath.empty()) {
        // An untitled song asks for its name once; refused, Auto Save waits for a save by hand.
        if (m_autoSaveAskedName) return;
        m_autoSaveAskedName = true;
        if (!FileSaveAs()) m_autoSaveRefusedAt = m_songChanges;
        return;
    }
    if (m_frame) m_frame->EndTypingStep();
    if (!m_document.Save()) m_autoSaveRefusedAt = m_songChanges;
    RefreshCaption();
}

void TessavoxApp::ShowView(int view)
{
    m_currentView = view;
    if (m_frame && !m_frame->InstallView(view) && view == ViewId::EditLyrics) {
        // The view has told the user what is wrong with the song.
        m_document.Discard();
        FileClose();
        return;
    }
    emit StateChanged();
}

WorkOutcome TessavoxApp::ReadMusic(const std::string& path, const MusicLoad& load)
{
    // Music played where it lies loads at once; a decode shows what it reads and how far, off
    // the window thread, and Cancel or Escape stops it. The box keeps the window's commands
    // away meanwhile: the song is changed only when the decode is over.
    if (!m_frame || path.empty() || MusicImport::IsUsedInPlace(path) || !QFileInfo::exists(PathText(path)))
        return load({}, {});
    ProgressDialog dialog(m_frame.get(), kDecompressingAudioTitle, true);
    dialog.SetText(QString("Reading music... %1").arg(QFileInfo(PathText(path)).fileName()));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    BackgroundWork work(&dialog);
    const WorkOutcome outcome =
        load(work.Progress(), [&work](const std::function<void()>& decode) { work.Run(decode); });
    dialog.hide();
    return outcome;
}

void TessavoxApp::NoteMusicLoaded()
{
    const MusicImportResult& r = m_document.MusicResult();
    m_musicFolder = FolderOf(MusicSourcePath());
    // The status bar speaks of this song's music only: a note of the last song's goes.
    if (!m_frame) return;
    if (r.conversionNote.empty()) m_frame->statusBar()->clearMessage();
    else m_frame->statusBar()->showMessage(QString::fromStdString(r.conversionNote));
}

bool TessavoxApp::AddMusic()
{
    LogAction("Add Music", kActionAddMusic);
    for (;;) {
        FileChoice choice;
        choice.title = "Select Music File";
        choice.folder = m_musicFolder;
        choice.filterIndex = m_settings.Int(AppSettings::kSettings, "MusicFileIndex", 0);
        choice.filters = FileChooser::MusicFilters(m_mp3Support);
        const QString path = FileChooser::Choose(m_frame.get(), choice);
        if (path.isEmpty()) return false;
        const WorkOutcome attached = AttachMusicFile(path);
        // Stopped by the user: the song is as it was, with the music it had.
        if (attached.status == WorkStatus::Cancelled) return false;
        if (attached) {
            m_settings.SetInt(AppSettings::kSettings, "MusicFileIndex", choice.filterIndex);
            return MusicLoaded(); // not when the view refused the song and closed it
        }
        if (!TellMusicRefused()) return false;
    }
}

WorkOutcome TessavoxApp::AttachMusicFile(const QString& path)
{
    const WorkOutcome attached = ReadMusic(PathBytes(path), [this, &path](MusicImport::Progress progress,
                                                                         const SongDocument::WorkRunner& run) {
        return m_document.AttachMusic(PathBytes(path), std::move(progress), run);
    });
    if (!attached) return attached;
    NoteMusicLoaded();
    // The view is rebuilt for the new music: a rebuild is no view switch and saves nothing,
    // so Add Music never asks for a project name nor rewrites the project file.
    ShowView(m_currentView);
    return attached;
}

bool TessavoxApp::TellMusicRefused()
{
    const std::string text = std::string(kMsgMusicProblem) + m_document.MusicResult().errorText + "\n" + kMsgChooseAnother;
    return m_prompt.Ask(text, kAppCaption, PromptButtons::YesNo, PromptIcon::Stop) == PromptAnswer::Yes;
}

void TessavoxApp::OpenDroppedFiles(const QStringList& paths)
{
    // One file after the other, as if each were chosen in its own command; a project opened
    // first is the song the others go into.
    for (const QString& path : paths) {
        if (m_terminationStatus != 0 || QApplication::activeModalWidget()) return;
        OpenDroppedFile(path);
    }
}

void TessavoxApp::OpenDroppedFile(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const SongFileKind kind = QFileInfo(path).isFile() ? SongFileKindOf(PathBytes(path)) : SongFileKind::Other;
    if (kind == SongFileKind::Other) {
        const QString why =
            QFileInfo(path).isDir() ? tr("%1 is a folder: drop a project, music or a lyrics file.").arg(name)
            : !QFileInfo::exists(path)
                ? tr("%1 cannot be read.").arg(name)
                : tr("%1 is not a project (%2), music (%3) or a lyrics file (%4).")
                      .arg(name, QString::fromStdString(SongFileExtensions(SongFileKind::Project)),
                           QString::fromStdString(SongFileExtensions(SongFileKind::Music)),
                           QString::fromStdString(SongFileExtensions(SongFileKind::Lyrics)));
        if (m_frame) m_frame->statusBar()->showMessage(why);
        AppendViewReport("status " + why + "\n");
        return;
    }
    // What plays stops, as before any of the three commands.
    if (m_frame) m_frame->StopPlaying();
    switch (kind) {
    case SongFileKind::Project:
        if (!CommandEnabled(CommandId::FileOpen) || !CloseQuery()) return;
        OpenProject(path);
        break;
    case SongFileKind::Music:
        LogAction("Add Music", kActionAddMusic);
        if (AttachMusicFile(path).status == WorkStatus::Failed && TellMusicRefused()) AddMusic();
        break;
    case SongFileKind::Lyrics:
        // Lyrics are imported in Edit Lyrics, reached the usual way (with its warning about
        // placed lyrics).
        if (m_currentView != ViewId::EditLyrics) RunCommand(CommandId::ModeEditLyrics);
        if (m_currentView == ViewId::EditLyrics && m_frame && m_frame->View())
            m_frame->View()->ImportLyricsFile(path);
        break;
    case SongFileKind::Other: break;
    }
    emit StateChanged();
}

void TessavoxApp::OpenRecent(const QString& path)
{
    if (!CommandEnabled(CommandId::FileOpen) || !CloseQuery()) return;
    // A project that is gone is told of by the open, and leaves the list.
    if (!OpenProject(path) && !QFileInfo::exists(path)) m_settings.RemoveRecentFile(path);
}

void TessavoxApp::OpenFromAnotherStart(const QString& path)
{
    if (!m_frame || m_terminationStatus != 0) return;
    if (m_frame->isMinimized()) m_frame->showNormal();
    m_frame->raise();
    m_frame->activateWindow();
    // In the middle of something (a box or dialog waiting for an answer) the window only comes
    // to the front: the song must not change under it.
    if (path.isEmpty() || QApplication::activeModalWidget()) return;
    if (CloseQuery()) OpenProject(path);
}

void TessavoxApp::Terminate(int signalNumber)
{
    // A second signal finds the first one's work under way.
    if (m_terminationStatus != 0) return;
    m_terminationStatus = 128 + signalNumber;
    QtUserPrompt::SetClosingDown(true);
    BackgroundWork::CancelAll();
    if (m_frame) m_frame->StopPlaying();
    ExitWhenWorkHasEnded();
}

void TessavoxApp::ExitWhenWorkHasEnded()
{
    // Ending the event loops under a running export would leave its worker unjoined; it has
    // been cancelled and ends soon, removing what it had written.
    if (BackgroundWork::RunningCount() == 0) {
        QCoreApplication::exit(m_terminationStatus);
        return;
    }
    // A box the worker waits on would hold it forever.
    for (int i = 0; i < kMaxBoxesClosed; ++i) {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box) break;
        box->reject();
    }
    QTimer::singleShot(kExitPollMs, this, [this] { ExitWhenWorkHasEnded(); });
}

void TessavoxApp::SongSettings()
{
    if (!settingsDialog) return;
    std::unique_ptr<KaraokeSong> copy = m_song->Copy();
    const bool ok = settingsDialog(*copy);
    LogAction(ok ? "Settings-OK" : "Settings-Cancel", kActionSettings);
    if (ok) {
        m_document.ApplySettings(*copy);
        MLineListLog::Numbered(*m_song);
        SwitchView(m_currentView);
    }
    if (MLogQueue::LoggingOn())
        MLogQueue::Add(std::make_unique<KaraokeSongDumpLog>("Post SettingsDlg", *m_song), true);
}

void TessavoxApp::FollowDocument()
{
    // The same word stays selected: undoing a move of it shows it where it was.
    const int selected = m_frame ? m_frame->SelectedWord() : -1;
    if (!m_frame || !m_frame->ReloadSongInView()) ShowView(m_currentView);
    if (m_frame && selected >= 0) m_frame->SelectWord(selected);
    RefreshCaption();
    emit StateChanged();
}

void TessavoxApp::Undo()
{
    if (!CommandEnabled(CommandId::EditUndo)) return;
    if (m_frame) m_frame->EndTypingStep();
    if (m_document.Undo()) FollowDocument();
}

void TessavoxApp::Redo()
{
    if (!CommandEnabled(CommandId::EditRedo)) return;
    if (m_document.Redo()) FollowDocument();
}

void TessavoxApp::EnableRecovery()
{
    m_document.SetRecoveryFile(RecoveryFile::ForThisProcess());
    if (m_recoveryTimer) return;
    m_recoveryTimer = new QTimer(this);
    m_recoveryTimer->setInterval(kRecoveryWriteMs);
    connect(m_recoveryTimer, &QTimer::timeout, this, [this] { m_document.WriteRecovery(); });
    m_recoveryTimer->start();
}

bool TessavoxApp::OfferRecovery()
{
    for (const RecoveryFile::Found& found : RecoveryFile::FindLeftBehind()) {
        const std::string name =
            found.projectPath.empty() ? std::string(kUntitled) : EngineText(QFileInfo(PathText(found.projectPath)).fileName());
        const std::string text = "Tessavox closed without saving changes to " + name + ". Recover them?";
        const PromptAnswer answer = m_prompt.Ask(text, kAppCaption, PromptButtons::YesNo, PromptIcon::Question);
        if (answer != PromptAnswer::Yes) {
            RecoveryFile(found.file).Remove();
            continue;
        }
        if (!m_document.OpenRecovered(found)) continue;
        // Our own copy takes over from the one left behind.
        RecoveryFile(found.file).Remove();
        m_openedFromFile = !found.projectPath.empty();
        LoadSongMusic(true);
        m_document.WriteRecovery();
        return true;
    }
    return false;
}
