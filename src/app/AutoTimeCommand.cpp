#include "app/AutoTimeCommand.h"

#include <QFile>
#include <QFileInfo>
#include <QStatusBar>

#include "app/AppContext.h"
#include "app/AppSettings.h"
#include "app/BackgroundWork.h"
#include "app/FileChooser.h"
#include "app/MainWindow.h"
#include "app/QtUserPrompt.h"
#include "app/dialogs/ProgressDialog.h"
#include "document/AutoTiming.h"
#include "document/SongDocument.h"
#include "project/KaraokeSong.h"
#include "text/UserPrompt.h"

namespace {

constexpr const char* kMsgReplacePlaced =
    "Some words of this song are already placed.\n\nWould you like to replace the current timing values\nwith "
    "those found from the singing?";
constexpr const char* kCaptionReplacePlaced = "Auto-Time Lyrics";
constexpr const char* kMsgAutoTimeFailed = "The words could not be timed: ";
constexpr const char* kMsgLyricsChanged = "the lyrics changed while they were being timed.";
constexpr const char* kCancellingCaption = "Cancelling...";
// Where the vocal chooser starts: the folder of the last vocal track, and that track.
constexpr const char* kKeyVocalFolder = "VocalPath";
constexpr const char* kKeyVocalFile = "VocalFile";
constexpr const char* kKeyVocalFilterIndex = "VocalFileIndex";

} // namespace

QString AutoTimeCommand::ChooseVocals()
{
    AppSettings& settings = m_app.Settings();
    FileChoice choice;
    choice.title = kVocalChooserTitle;
    choice.folder = settings.String(AppSettings::kSettings, kKeyVocalFolder, m_app.MusicFolder());
    choice.fileName = settings.String(AppSettings::kSettings, kKeyVocalFile);
    choice.filters = FileChooser::MusicFilters(m_app.Mp3Support());
    choice.filterIndex = settings.Int(AppSettings::kSettings, kKeyVocalFilterIndex, 0);
    const QString path = FileChooser::Choose(m_app.Frame(), choice);
    // Cancel means the song's music, and the next chooser offers that again.
    settings.SetString(AppSettings::kSettings, kKeyVocalFile, path.isEmpty() ? QString() : QFileInfo(path).fileName());
    if (!path.isEmpty()) {
        settings.SetString(AppSettings::kSettings, kKeyVocalFolder, QFileInfo(path).absolutePath());
        settings.SetInt(AppSettings::kSettings, kKeyVocalFilterIndex, choice.filterIndex);
    }
    return path;
}

bool AutoTimeCommand::Run(bool fromLyricsEditor)
{
    if (BackgroundWork::RunningCount() > 0) return false;
    SongDocument& doc = m_app.Document();
    MainWindow* frame = m_app.Frame();
    // The words as the lyrics stand now, the typing of the lyrics editor among them; the other
    // views keep the line list they built.
    if (frame) frame->EndTypingStep();
    if (fromLyricsEditor) doc.RebuildLineList(false);
    if (doc.Song().words.empty() || !doc.MusicLoaded()) return false;
    if (doc.Song().LyricsPlaced() &&
        m_app.Prompt().Ask(kMsgReplacePlaced, kCaptionReplacePlaced, PromptButtons::YesNo, PromptIcon::Warning) !=
            PromptAnswer::Yes)
        return false;
    const QString vocals = ChooseVocals();

    AutoTiming timing(doc, QFile::encodeName(vocals).toStdString());
    ProgressDialog progress(frame, kProgressCaption, true);
    progress.show();
    BackgroundWork work(&progress, kCancellingCaption);
    bool timed = false;
    work.Run([&] { timed = timing.Run(work.Progress()); });
    progress.hide();
    if (work.Cancelled() || timing.Cancelled()) {
        if (frame) frame->statusBar()->showMessage(kCancelledText);
        return false;
    }
    if (!timed) {
        const std::string why = work.Failure().empty() ? timing.Error() : work.Failure();
        m_app.Prompt().Message(kMsgAutoTimeFailed + why, kAppCaption, PromptIcon::Warning);
        return false;
    }
    // The lyrics were edited meanwhile: the times belong to words that are no more.
    if (!timing.Fits(doc)) {
        m_app.Prompt().Message(std::string(kMsgAutoTimeFailed) + kMsgLyricsChanged, kAppCaption, PromptIcon::Warning);
        return false;
    }
    const bool applied = timing.Apply(doc);
    if (frame) frame->statusBar()->showMessage(QString::fromStdString(timing.Summary()));
    return applied;
}
