#include "app/AutoTimeCommand.h"

#include <QFile>
#include <QFileInfo>
#include <QStatusBar>

#include "app/AppContext.h"
#include "app/AppSettings.h"
#include "app/BackgroundWork.h"
#include "app/CommandIds.h"
#include "app/FileChooser.h"
#include "app/MainWindow.h"
#include "app/QtUserPrompt.h"
#include "app/dialogs/ProgressDialog.h"
#include "app/views/PlaceLyricsView.h"
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
constexpr const char* kMsgTapLinesFirst =
    "Auto-Time finds the lines of the song's music far more surely when the start of each line is "
    "tapped first.\n\nWould you like to tap each line first?\n(Place Lyrics with Lines Only: press the "
    "Space bar as each line begins, then Auto-Time again.)";
constexpr const char* kTapLinesStatus =
    "Lines Only: press the Space bar as each line begins, then Auto-Time times the rest of each line.";
constexpr const char* kCancellingCaption = "Cancelling...";
// Where the vocal chooser starts: the folder of the last vocal track, and that track
// (AppSettings::kVocalFolder and kVocalFile).
constexpr const char* kKeyVocalFilterIndex = "VocalFileIndex";

} // namespace

QString AutoTimeCommand::ChooseVocals()
{
    AppSettings& settings = m_app.Settings();
    FileChoice choice;
    choice.title = kVocalChooserTitle;
    choice.folder = settings.String(AppSettings::kSettings, AppSettings::kVocalFolder, m_app.MusicFolder());
    choice.fileName = settings.String(AppSettings::kSettings, AppSettings::kVocalFile);
    choice.filters = FileChooser::MusicFilters(m_app.Mp3Support());
    choice.filterIndex = settings.Int(AppSettings::kSettings, kKeyVocalFilterIndex, 0);
    const QString path = FileChooser::Choose(m_app.Frame(), choice);
    // Cancel means the song's music, and the next chooser offers that again.
    settings.SetString(AppSettings::kSettings, AppSettings::kVocalFile, path.isEmpty() ? QString() : QFileInfo(path).fileName());
    if (!path.isEmpty()) {
        settings.SetString(AppSettings::kSettings, AppSettings::kVocalFolder, QFileInfo(path).absolutePath());
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
    // Only the lines' first words placed: those are taps (Lines Only) to time each line from,
    // not times to be replaced.
    const bool tapped = AutoTiming::HoldsOnlyLineTaps(doc.Song());
    if (!tapped && doc.Song().LyricsPlaced() &&
        m_app.Prompt().Ask(kMsgReplacePlaced, kCaptionReplacePlaced, PromptButtons::YesNo, PromptIcon::Warning) !=
            PromptAnswer::Yes)
        return false;
    const QString vocals = ChooseVocals();
    // The song's own music without taps: the lines are the weak point, and a tap each fixes them.
    if (vocals.isEmpty() && !tapped &&
        m_app.Prompt().Ask(kMsgTapLinesFirst, kCaptionReplacePlaced, PromptButtons::YesNo, PromptIcon::Question) ==
            PromptAnswer::Yes) {
        TapLinesFirst();
        return false;
    }

    AutoTiming timing(doc, QFile::encodeName(vocals).toStdString(),
                      tapped ? AutoTiming::Lines::FromTaps : AutoTiming::Lines::FromSinging);
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
    // The song changed meanwhile (an undo, a word placed or moved, the lyrics edited): the
    // times would overwrite that work.
    if (const std::string refusal = timing.Refusal(doc); !refusal.empty()) {
        m_app.Prompt().Message(refusal == AutoTiming::kLyricsChanged ? kMsgAutoTimeFailed + refusal : refusal,
                               kAppCaption, PromptIcon::Warning);
        return false;
    }
    const bool applied = timing.Apply(doc);
    if (frame) frame->statusBar()->showMessage(QString::fromStdString(timing.Summary()));
    return applied;
}

void AutoTimeCommand::TapLinesFirst()
{
    m_app.Settings().SetInt(AppSettings::kSettings, PlaceLyricsView::kKeyLinesOnly, 1);
    m_app.RunCommand(CommandId::ModePlaceLyrics);
    MainWindow* frame = m_app.Frame();
    if (!frame) return;
    if (auto* view = qobject_cast<PlaceLyricsView*>(frame->View())) view->SetLinesOnly(true);
    frame->statusBar()->showMessage(kTapLinesStatus);
}
