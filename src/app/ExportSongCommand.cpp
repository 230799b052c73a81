#include "app/ExportSongCommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMainWindow>
#include <QStatusBar>
#include <functional>

#include "app/BackgroundWork.h"
#include "app/DeferredPrompt.h"
#include "app/MainWindow.h"
#include "app/AppContext.h"
#include "app/AppSettings.h"
#include "app/QtUserPrompt.h"
#include "document/SongDocument.h"
#include "app/FileChooser.h"
#include "app/QtText.h"
#include "app/dialogs/ExportDialog.h"
#include "app/dialogs/ProgressDialog.h"
#include "cdg/ExportBin.h"
#include "export/CompressedExport.h"
#include "document/DocumentExport.h"
#include "document/ExportSnapshot.h"
#include "export/VideoExport.h"
#include "project/KaraokeSong.h"

namespace {

constexpr const char* kBinChooserTitle = "Export To BIN File";
constexpr const char* kBinFilter = "BIN Files (*.bin)";
constexpr const char* kZipChooserTitle = "Export To Zipped File";
constexpr const char* kZipFilter = "Zip Files (*.zip)";
constexpr const char* kMp3ChooserTitle = "Export To MP3+G Files";
constexpr const char* kMp3Filter = "MP3 Files (*.mp3)";
constexpr const char* kWmaChooserTitle = "Export To WMA+G Files";
constexpr const char* kWmaFilter = "WMA Files (*.wma)";
constexpr const char* kMp4ChooserTitle = "Export To MP4 Video File";
constexpr const char* kMp4Filter = "MP4 Files (*.mp4)";
constexpr const char* kMsgExportStopped = "The export stopped before it was done: ";
constexpr const char* kMsgNoSuchFolder = "The folder \"%1\" does not exist.\nPlease choose a folder that does.";

std::string PathBytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

void ExportSongCommand::Run()
{
    // One export at a time: the first one's work turns the window's event loop.
    if (BackgroundWork::RunningCount() > 0) return;
    ExportDialog dialog(m_app.Frame(), m_app.Settings(), m_app.Song(), m_app.Mp3Support(), m_app.SampleRate());
    if (dialog.exec() != QDialog::Accepted) return;
    const ExportChoices choices = dialog.Choices();
    m_app.Document().SetArtistAndTitle(dialog.Artist(), dialog.Title());

    if (choices.type == ExportType::Bin) ExportBinFile();
    else if (choices.type == ExportType::Mp4) ExportVideo(choices);
    else ExportCompressed(choices);
    // The export is over: Export Song is on again.
    emit m_app.StateChanged();
}

void ExportSongCommand::RunInBackground(BackgroundWork& work, const std::function<void(UserPrompt&)>& exportSong)
{
    // What the export says is shown once it has ended: the window stays free meanwhile.
    DeferredPrompt said;
    work.Run([&] { exportSong(said); });
    said.ShowOn(m_app.Prompt());
    if (!work.Failure().empty())
        m_app.Prompt().Message(kMsgExportStopped + work.Failure(), kErrorCaption, PromptIcon::Warning);
}

QString ExportSongCommand::SuggestedName(const QString& artist, const QString& title, const QString& projectPath)
{
    QString name = artist.trimmed();
    if (!title.trimmed().isEmpty()) name = name.isEmpty() ? title.trimmed() : name + " - " + title.trimmed();
    if (name.isEmpty() && !projectPath.isEmpty()) name = QFileInfo(projectPath).completeBaseName();
    // A slash would make a folder of part of the name; control characters have no business in it.
    for (QChar& c : name)
        if (c == '/' || c == '\\' || c.category() == QChar::Other_Control) c = '_';
    // A leading dot would hide the file.
    while (name.startsWith('.')) name.remove(0, 1);
    return name.trimmed();
}

QString ExportSongCommand::WrittenText(const QStringList& paths)
{
    QStringList parts;
    for (const QString& path : paths) {
        // The first file with its folder, the others beside it by name.
        const QString shown = parts.isEmpty() ? QDir::toNativeSeparators(path) : QFileInfo(path).fileName();
        parts << QString("%1 (%2)").arg(shown, QLocale::c().formattedDataSize(QFileInfo(path).size(), 1,
                                                                               QLocale::DataSizeSIFormat));
    }
    if (parts.isEmpty()) return {};
    const QString last = parts.takeLast();
    return QString("Wrote %1.").arg(parts.isEmpty() ? last : parts.join(", ") + " and " + last);
}

void ExportSongCommand::TellWritten(const QStringList& paths)
{
    if (MainWindow* frame = m_app.Frame()) frame->statusBar()->showMessage(WrittenText(paths));
}

bool ExportSongCommand::TellCancelled(WorkStatus status)
{
    if (status != WorkStatus::Cancelled) return false;
    if (MainWindow* frame = m_app.Frame()) frame->statusBar()->showMessage(kExportCancelledText);
    return true;
}

QString ExportSongCommand::ChooseTarget(const QString& title, const QString& filter, const QString& extension,
                                        const ExportChoices& choices)
{
    const KaraokeSong& song = m_app.Song();
    FileChoice choice;
    choice.save = true;
    choice.title = title;
    choice.folder = m_app.MusicFolder();
    const QString name = SuggestedName(QtText(song.artist), QtText(song.title),
                                       QFile::decodeName(QByteArray::fromStdString(song.projectPath)));
    if (!name.isEmpty()) choice.fileName = name + "." + extension;
    choice.filters = {filter};
    choice.defaultSuffix = extension;
    QString path;
    for (;;) {
        path = FileChooser::Choose(m_app.Frame(), choice);
        if (path.isEmpty()) return {};
        // A name typed with a folder that is not there would only fail after the whole export.
        const QString folder = QFileInfo(path).absolutePath();
        if (!QFileInfo(folder).isDir()) {
            m_app.Prompt().Message(EngineText(QString(kMsgNoSuchFolder).arg(folder)), kErrorCaption, PromptIcon::Warning);
            choice.folder = m_app.MusicFolder();
            continue;
        }
        if (QFileInfo(path).suffix().isEmpty()) path += "." + extension;
        // One of the song's own files is refused before any work starts; the user names another.
        const std::string refusal =
            ExportRefusal(m_app.Document(), PathBytes(path), choices, OutputGate::Existing::Replace);
        if (refusal.empty()) break;
        m_app.Prompt().Message(refusal, kErrorCaption, PromptIcon::Stop);
        choice.folder = QFileInfo(path).absolutePath();
    }
    m_app.MusicFolder() = QFileInfo(path).absolutePath();
    return path;
}

void ExportSongCommand::ExportBinFile()
{
    ExportChoices bin;
    bin.type = ExportType::Bin;
    const QString path = ChooseTarget(kBinChooserTitle, kBinFilter, "bin", bin);
    if (path.isEmpty()) return;
    const ExportSnapshot snapshot(m_app.Document());

    ProgressDialog progress(m_app.Frame(), kBinProgressCaption, true);
    progress.SetText(QObject::tr("Writing the BIN file %1").arg(QFileInfo(path).fileName()));
    progress.show();
    BackgroundWork work(&progress, kBinCancelledCaption);
    BinExportResult result;
    RunInBackground(work, [&](UserPrompt& prompt) {
        result = ExportSongBin(snapshot, PathBytes(path), work.Progress(), prompt);
    });
    progress.hide();
    if (!work.Failure().empty() || TellCancelled(result.status)) return;
    if (result.status == WorkStatus::Done) TellWritten({path});
}

void ExportSongCommand::ExportCompressed(const ExportChoices& choices)
{
    const KaraokeSong& song = m_app.Song();
    m_choices = choices;
    m_artist = song.artist;
    m_title = song.title;

    const bool mp3 = choices.type == ExportType::Mp3G;
    const QString path = choices.zip ? ChooseTarget(kZipChooserTitle, kZipFilter, "zip", choices)
                         : mp3       ? ChooseTarget(kMp3ChooserTitle, kMp3Filter, "mp3", choices)
                                     : ChooseTarget(kWmaChooserTitle, kWmaFilter, "wma", choices);
    if (path.isEmpty()) return;
    const ExportSnapshot snapshot(m_app.Document());

    // The dialog opens before the stream is written, so that the whole export shows progress.
    ProgressDialog progress(m_app.Frame(), kCompressingAudioCaption, true);
    progress.SetText(QObject::tr("Writing the music and the graphics of %1").arg(QFileInfo(path).fileName()));
    progress.show();
    BackgroundWork work(&progress, kBinCancelledCaption);
    CompressedExportResult result;
    RunInBackground(work, [&](UserPrompt& prompt) {
        result = ExportSongCompressed(snapshot, PathBytes(path), choices, work.Progress(), prompt);
    });
    progress.hide();
    if (!work.Failure().empty() || TellCancelled(result.status)) return;
    if (result.status != WorkStatus::Done) return; // the export has told the user why
    auto text = [](const std::string& p) { return QFile::decodeName(QByteArray::fromStdString(p)); };
    if (!result.zipPath.empty()) {
        TellWritten({text(result.zipPath)});
        return;
    }
    QStringList written = {text(result.audioPath), text(result.cdgPath)};
    if (!result.lrcPath.empty()) written << text(result.lrcPath);
    TellWritten(written);
}

void ExportSongCommand::ExportVideo(const ExportChoices& choices)
{
    const QString path = ChooseTarget(kMp4ChooserTitle, kMp4Filter, "mp4", choices);
    if (path.isEmpty()) return;
    const ExportSnapshot snapshot(m_app.Document());

    ProgressDialog progress(m_app.Frame(), kVideoProgressCaption, true);
    progress.SetText(QObject::tr("Drawing and encoding the video %1").arg(QFileInfo(path).fileName()));
    progress.show();
    BackgroundWork work(&progress, kBinCancelledCaption);
    VideoExportResult result;
    RunInBackground(work, [&](UserPrompt& prompt) {
        result = ExportSongVideo(snapshot, PathBytes(path), choices, work.Progress(), prompt);
    });
    progress.hide();
    if (!work.Failure().empty() || TellCancelled(result.status)) return;
    if (result.status == WorkStatus::Done) TellWritten({path});
}
