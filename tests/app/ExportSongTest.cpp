// The Export Song command from the menu: the dialog, the file choosers, the files written, the
// live window with a moving progress bar, and Cancel during a BIN export.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QDir>
#include <QElapsedTimer>
#include <ctime>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QRegularExpression>
#include <QStatusBar>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <functional>
#include <set>

#include "AppTestSupport.h"
#include "project/ProjectFile.h"
#include "app/BackgroundWork.h"
#include "document/DocumentExport.h"
#include "app/MainWindow.h"
#include "app/TessavoxApp.h"
#include "app/CheckMp3Support.h"
#include "app/CommandIds.h"
#include "app/ExportSongCommand.h"
#include "app/dialogs/ExportDialog.h"
#include "app/dialogs/ProgressDialog.h"
#include "app/views/SongView.h"
#include "audio/WavOutFile.h"
#include "project/KaraokeSong.h"
#include "support/MediaProbe.h"
#include "support/PictureFiles.h"
#include "support/ScopedTempFolder.h"
#include "support/TempDir.h"

namespace {

constexpr int kRate = 44100;
// Longer than the demo song's last word (67 s), so that the export carries the whole song.
constexpr int kMusicSeconds = 70;
constexpr qint64 kLongestGapMs = 100;

// Answers the Export Song File dialog once it is up: set() picks the choices, then "&Export".
void WhenExportDialogOpens(std::function<void(ExportDialog&)> set)
{
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, set] {
        auto* dialog = qobject_cast<ExportDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll->stop();
        poll->deleteLater();
        set(*dialog);
        dialog->ExportButton()->click();
    });
    poll->start();
}

// Watches the window thread while a command runs: the longest time between two turns of its
// event loop, the progress dialog's bar as it was painted, and what else the caller wants to
// look at on every turn.
class LoopWatch : public QObject {
    static qint64 ThreadCpuMs()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
    }

public:
    explicit LoopWatch(TessavoxApp& app) : m_app(app)
    {
        m_tick.setInterval(2);
        connect(&m_tick, &QTimer::timeout, this, [this] { Turn(); });
        m_tick.start();
        m_clock.start();
        m_last = m_clock.elapsed();
    }
    void Finish() { Turn(); m_tick.stop(); }

    std::function<void(ProgressDialog&)> onTurn;
    qint64 longestGapMs = 0;
    // The window thread's own CPU time between two turns: what it did itself, not what a busy
    // machine kept it waiting. Work done on the window thread shows here whatever the load.
    qint64 longestGapCpuMs = 0;
    // The same while the progress dialog was up at both ends of the gap: the export itself.
    qint64 longestGapWorkingMs = 0;
    std::set<int> paintedValues;
    int paints = 0;
    bool sawLive = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            paintedValues.insert(static_cast<QProgressBar*>(watched)->value());
        }
        return false;
    }

private:
    void Turn()
    {
        const qint64 now = m_clock.elapsed();
        const qint64 cpu = ThreadCpuMs();
        longestGapCpuMs = std::max(longestGapCpuMs, cpu - m_lastCpu);
        m_lastCpu = cpu;
        auto* progress = m_app.Frame()->findChild<ProgressDialog*>();
        longestGapMs = std::max(longestGapMs, now - m_last);
        if (progress && m_progressSeen) longestGapWorkingMs = std::max(longestGapWorkingMs, now - m_last);
        m_last = now;
        m_progressSeen = progress != nullptr;
        if (!progress) return;
        if (auto* bar = progress->findChild<QProgressBar*>(); bar && !m_watched.contains(bar)) {
            bar->installEventFilter(this);
            m_watched.insert(bar);
        }
        // While the export runs (on its own snapshot) the song stays open to the user: the view
        // takes input and the project commands are on; only a second export waits.
        sawLive = sawLive || (!m_app.CommandEnabled(CommandId::ExportSong) && m_app.CommandEnabled(CommandId::FileOpen) &&
                              m_app.Frame()->View()->isEnabled());
        if (onTurn) onTurn(*progress);
    }

    TessavoxApp& m_app;
    QTimer m_tick;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_lastCpu = ThreadCpuMs();
    bool m_progressSeen = false;
    QSet<QObject*> m_watched;
};

QStringList ZipNames(const QString& zip)
{
    TempDir dir;
    const std::string list = dir.File("names.txt");
    if (!RunCommand("unzip -Z1 '" + zip.toStdString() + "' > '" + list + "'")) return {"(unzip failed)"};
    QFile f(QString::fromStdString(list));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

// Whether the status bar says the export wrote the file at path, with its size as the file
// system has it (to the one decimal shown).
bool StatusTellsWritten(TessavoxApp& app, const QString& path)
{
    const QString text = app.Frame()->statusBar()->currentMessage();
    static const QRegularExpression written("^Wrote (.+) \\(([0-9.]+) (kB|MB)\\)\\.$");
    const QRegularExpressionMatch match = written.match(text);
    if (!match.hasMatch() || match.captured(1) != QDir::toNativeSeparators(path)) {
        qWarning("the status bar says \"%s\"", qPrintable(text));
        return false;
    }
    const double unit = match.captured(3) == "MB" ? 1e6 : 1e3;
    const double shown = match.captured(2).toDouble() * unit, size = double(QFileInfo(path).size());
    return size > 0 && std::abs(shown - size) <= 0.05 * unit;
}

} // namespace

class ExportSongTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_project;

    QString File(const QString& name) const { return m_dir.filePath(name); }

    // An app with the demo song's lyrics and timing and a tone as its music, ready to export.
    void Open(TessavoxApp& app)
    {
        app.InitInstance(true);
        QVERIFY(app.OpenProject(m_project));
        QVERIFY(app.CommandEnabled(CommandId::ExportSong));
        QVERIFY(app.Frame()->Action(CommandId::ExportSong));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Kelvane", "Tessavox").clear();
        const QString wav = File("tone.wav");
        WavOutFile out;
        QVERIFY(out.Create(wav.toStdString(), kRate, 16, 2));
        std::vector<int16_t> samples(size_t(kMusicSeconds) * kRate * 2);
        for (size_t i = 0; i < samples.size() / 2; ++i)
            samples[2 * i] = samples[2 * i + 1] = int16_t(8000 * std::sin(0.0627 * double(i)));
        QVERIFY(out.Write(samples));
        QVERIFY(out.Close());

        KaraokeSong song((QString(TESSAVOX_SOURCE_DIR) + "/data/demo/twinkle.tvx").toStdString());
        QVERIFY(LoadProject(song));
        song.musicPath = wav.toStdString();
        m_project = File("twinkle.tvx");
        song.projectPath = m_project.toStdString();
        QVERIFY(SaveProject(song));
        QDir().mkpath(File("out"));
    }

    void mp3ZippedWithLrcFromTheMenu()
    {
        ScopedTempFolder temp(File("tmp-mp3").toStdString());
        Answers answers;
        TessavoxApp app;
        app.SetMp3Support(CheckMp3Support(app.Prompt(), app.Settings()));
        QVERIFY2(app.Mp3Support(), "the MP3 encoder library (libmp3lame0) is needed");
        Open(app);
        const QString musicFolderBefore = app.MusicFolder();

        WhenExportDialogOpens([](ExportDialog& dialog) {
            dialog.TypeButton(ExportType::Mp3G)->click();
            dialog.RatioList()->setCurrentIndex(dialog.RatioList()->findText("192k"));
            dialog.LrcBox()->setChecked(true);
            dialog.ZipBox()->setChecked(true);
        });
        answers.paths << File("out/song.zip");
        LoopWatch watch(app);
        app.Frame()->Action(CommandId::ExportSong)->trigger();
        watch.Finish();

        QCOMPARE(answers.choices.size(), size_t(1));
        QCOMPARE(answers.choices[0].title, QString("Export To Zipped File"));
        QCOMPARE(answers.choices[0].filters, QStringList{"Zip Files (*.zip)"});
        QCOMPARE(answers.choices[0].defaultSuffix, QString("zip"));
        QCOMPARE(answers.choices[0].folder, musicFolderBefore);
        // The song's name is offered, with the type's extension.
        QCOMPARE(answers.choices[0].fileName, QString("Traditional - Twinkle, Twinkle, Little Star.zip"));
        QVERIFY(answers.choices[0].save);
        QVERIFY(StatusTellsWritten(app, File("out/song.zip")));
        QVERIFY2(answers.boxes.empty(), answers.boxes.empty() ? "" : answers.boxes[0].text.c_str());
        QCOMPARE(app.MusicFolder(), File("out"));
        QVERIFY(watch.sawLive);
        QVERIFY(app.CommandEnabled(CommandId::ExportSong));
        QVERIFY(app.Frame()->View()->isEnabled());
        QVERIFY(app.CommandEnabled(CommandId::ExportSong));
        QCOMPARE(app.ExportSong().Choices().type, ExportType::Mp3G);
        QCOMPARE(app.ExportSong().Choices().mp3Kbps, 192);
        QCOMPARE(app.ExportSong().Artist(), std::string("Traditional"));

        QCOMPARE(ZipNames(File("out/song.zip")), (QStringList{"song.mp3", "song.cdg", "song.lrc"}));
        // The pieces were made in the temporary folder and are gone from it.
        for (const QString& name : QDir(File("tmp-mp3")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
            QVERIFY2(!name.startsWith("song.") && !name.startsWith("tessavox-export"), qPrintable(name));
        }
        QVERIFY(!QFile::exists(File("out/song.mp3")));

        // What is inside plays: MP3 at 192 kbps with the song's tags, a .cdg as long as it.
        TempDir unpacked;
        QVERIFY(RunCommand("unzip -q '" + File("out/song.zip").toStdString() + "' -d '" + unpacked.Path().string() +
                           "'"));
        const std::string mp3 = unpacked.File("song.mp3");
        QCOMPARE(ProbeEntry(mp3, "stream=codec_name"), std::string("mp3"));
        QCOMPARE(ProbeEntry(mp3, "stream=bit_rate"), std::string("192000"));
        QCOMPARE(ProbeEntry(mp3, "format_tags=artist"), std::string("Traditional"));
        const double seconds = std::stod(ProbeEntry(mp3, "format=duration"));
        QVERIFY2(seconds > kMusicSeconds, qPrintable(QString::number(seconds)));
        const double cdgBytes = double(QFileInfo(QString::fromStdString(unpacked.File("song.cdg"))).size());
        QVERIFY2(std::abs(cdgBytes - seconds * 7200) < 7200 * 0.05, qPrintable(QString::number(cdgBytes)));
        QFile lrc(QString::fromStdString(unpacked.File("song.lrc")));
        QVERIFY(lrc.open(QIODevice::ReadOnly));
        QVERIFY(lrc.readAll().contains("Twin"));

        qInfo("MP3+G export: longest event-loop gap %lld ms (%lld ms while the progress dialog was up, %lld ms "
              "of the window thread's CPU), %d bar repaints, %zu bar values",
              watch.longestGapMs, watch.longestGapWorkingMs, watch.longestGapCpuMs, watch.paints,
              watch.paintedValues.size());
        QVERIFY2(watch.longestGapCpuMs < kLongestGapMs, qPrintable(QString::number(watch.longestGapCpuMs)));
        QVERIFY(watch.paintedValues.size() >= 5); // the bar moved while the window painted it
    }

    void binExportAndItsCancel()
    {
        ScopedTempFolder temp(File("tmp-bin").toStdString());
        Answers answers;
        TessavoxApp app;
        Open(app);
        const auto chooseBin = [](ExportDialog& dialog) { dialog.TypeButton(ExportType::Bin)->click(); };

        WhenExportDialogOpens(chooseBin);
        answers.paths << File("out/whole"); // no extension typed: the chooser's default applies
        LoopWatch watch(app);
        QString caption;
        bool closeRefused = false;
        watch.onTurn = [&](ProgressDialog& progress) {
            caption = progress.windowTitle();
            // The window's close box does not take the song away from the running export.
            if (!closeRefused) closeRefused = !app.Frame()->close() && app.Frame()->isVisible();
        };
        app.RunCommand(CommandId::ExportSong);
        watch.Finish();
        QCOMPARE(answers.choices[0].title, QString("Export To BIN File"));
        QCOMPARE(answers.choices[0].filters, QStringList{"BIN Files (*.bin)"});
        QCOMPARE(answers.choices[0].fileName, QString("Traditional - Twinkle, Twinkle, Little Star.bin"));
        QVERIFY(StatusTellsWritten(app, File("out/whole.bin")));
        QCOMPARE(caption, QString("Exporting project to BIN file..."));
        QVERIFY(closeRefused);
        QVERIFY(answers.boxes.empty()); // refused without asking to save
        const qint64 size = QFileInfo(File("out/whole.bin")).size();
        QVERIFY(size > qint64(kMusicSeconds) * 75 * 2448);
        QCOMPARE(size % 2448, 0);
        QVERIFY(answers.boxes.empty());
        qInfo("BIN export: longest event-loop gap %lld ms (%lld ms while the progress dialog was up, %lld ms "
              "of the window thread's CPU), %d bar repaints, %zu bar values",
              watch.longestGapMs, watch.longestGapWorkingMs, watch.longestGapCpuMs, watch.paints,
              watch.paintedValues.size());
        QVERIFY2(watch.longestGapCpuMs < kLongestGapMs, qPrintable(QString::number(watch.longestGapCpuMs)));
        // The BIN is quick: the bar is painted at least once on its way, not just at 0 and 100.
        QVERIFY(watch.paintedValues.lower_bound(1) != watch.paintedValues.lower_bound(100));
        QVERIFY(watch.sawLive);

        // Cancel once the bar has moved, for each kind of export: the caption says so, the status
        // bar says what the command line says, and no file is left. The work waits at its first
        // step past 0 % until the click has been made (at most 5 s), so that a busy machine
        // cannot finish the export before the click lands.
        struct Cancelled {
            std::function<void(ExportDialog&)> choose;
            QString path;
        };
        const std::vector<Cancelled> cancels = {
            {chooseBin, File("out/cancelled.bin")},
            {[](ExportDialog& dialog) {
                 dialog.TypeButton(ExportType::Mp3G)->click();
                 dialog.LrcBox()->setChecked(true);
                 dialog.ZipBox()->setChecked(true);
             },
             File("out/cancelled.zip")},
            {[](ExportDialog& dialog) { dialog.TypeButton(ExportType::Mp4)->click(); }, File("out/cancelled.mp4")},
        };
        for (const Cancelled& cancelled : cancels) {
            WhenExportDialogOpens(cancelled.choose);
            answers.paths << cancelled.path;
            LoopWatch again(app);
            int cancelledAt = -1;
            std::atomic<bool> clicked{false};
            BackgroundWork::SetProgressObserverForTesting([&clicked](int percent) {
                const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                while (percent > 0 && !clicked.load() && std::chrono::steady_clock::now() < until)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            });
            again.onTurn = [&](ProgressDialog& progress) {
                auto* cancel = progress.findChild<QPushButton*>();
                QVERIFY(cancel && cancel->isVisible());
                if (cancelledAt < 0 && progress.Position() > 0) {
                    cancelledAt = progress.Position();
                    cancel->click();
                    clicked = true;
                }
                caption = progress.windowTitle();
            };
            app.RunCommand(CommandId::ExportSong);
            again.Finish();
            BackgroundWork::SetProgressObserverForTesting({});
            QVERIFY2(cancelledAt > 0 && cancelledAt < 100, qPrintable(cancelled.path));
            QCOMPARE(caption, QString("Process canceled by user..."));
            QCOMPARE(app.Frame()->statusBar()->currentMessage(), QString(kExportCancelledText));
            QVERIFY(QDir(File("out")).entryList({"cancelled*", ".cancelled*"}, QDir::Files | QDir::Hidden).isEmpty());
            QVERIFY(answers.boxes.empty());
            QVERIFY(app.CommandEnabled(CommandId::ExportSong));
        }
    }

    void withoutMp3SupportWmaStillExports()
    {
        ScopedTempFolder temp(File("tmp-wma").toStdString());
        Answers answers;
        TessavoxApp app;
        app.SetMp3Support(false);
        Open(app);
        app.Settings().SetInt(AppSettings::kSettings, "ExportType", 2);
        app.Settings().SetInt(AppSettings::kSettings, "ExportZip", 0);
        app.Settings().SetInt(AppSettings::kSettings, "ExportLRC", 0);
        bool mp3Disabled = false;
        WhenExportDialogOpens([&mp3Disabled](ExportDialog& dialog) {
            mp3Disabled = !dialog.TypeButton(ExportType::Mp3G)->isEnabled() &&
                          dialog.TypeButton(ExportType::WmaG)->isChecked();
            dialog.ArtistField()->setText("Someone Else");
        });
        answers.paths << File("out/plain.wma");
        app.RunCommand(CommandId::ExportSong);
        QVERIFY(mp3Disabled);
        QCOMPARE(answers.choices[0].title, QString("Export To WMA+G Files"));
        QCOMPARE(answers.choices[0].filters, QStringList{"WMA Files (*.wma)"});
        // The name offered follows the artist as the dialog left it.
        QCOMPARE(answers.choices[0].fileName, QString("Someone Else - Twinkle, Twinkle, Little Star.wma"));
        // Two files written: the status bar names both, the second beside the first.
        const QString status = app.Frame()->statusBar()->currentMessage();
        QVERIFY2(status.startsWith("Wrote " + QDir::toNativeSeparators(File("out/plain.wma")) + " (") &&
                     status.contains(" and plain.cdg (") && status.endsWith(").") && !status.contains(".lrc"),
                 qPrintable(status));
        QCOMPARE(ProbeEntry(File("out/plain.wma").toStdString(), "stream=codec_name"), std::string("wmav2"));
        QCOMPARE(ProbeEntry(File("out/plain.wma").toStdString(), "format_tags=artist"), std::string("Someone Else"));
        QVERIFY(QFileInfo(File("out/plain.cdg")).size() > 0);
        QVERIFY(!QFile::exists(File("out/plain.lrc")));
        // The edited artist is the song's now, and the song wants saving.
        QCOMPARE(app.Song().artist, std::string("Someone Else"));
        QVERIFY(app.Document().Modified());
        QVERIFY(app.Frame()->windowTitle().startsWith("Tessavox - twinkle.tvx"));
        QCOMPARE(app.Settings().Int(AppSettings::kSettings, "ExportType", -1), 1);
        app.Document().Discard();
    }

    void aCancelledDialogOrChooserWritesNothing()
    {
        ScopedTempFolder temp(File("tmp-none").toStdString());
        Answers answers;
        TessavoxApp app;
        Open(app);
        const QStringList before = QDir(File("out")).entryList(QDir::Files);

        // Cancel in the dialog: no chooser.
        auto* poll = new QTimer;
        poll->setInterval(5);
        QObject::connect(poll, &QTimer::timeout, [poll] {
            if (auto* dialog = qobject_cast<ExportDialog*>(QApplication::activeModalWidget())) {
                poll->stop();
                poll->deleteLater();
                dialog->reject();
            }
        });
        poll->start();
        app.RunCommand(CommandId::ExportSong);
        QVERIFY(answers.choices.empty());

        // A folder that is not there is refused and the chooser comes back; Cancel in it ends the
        // export: nothing written, the shell free again.
        WhenExportDialogOpens([](ExportDialog& dialog) { dialog.TypeButton(ExportType::Bin)->click(); });
        answers.paths << File("out/nowhere/song.bin") << "";
        app.RunCommand(CommandId::ExportSong);
        QCOMPARE(answers.choices.size(), size_t(2));
        QCOMPARE(answers.boxes.size(), size_t(1));
        QCOMPARE(answers.boxes[0].text,
                 "The folder \"" + File("out/nowhere").toStdString() +
                     "\" does not exist.\nPlease choose a folder that does.");
        QVERIFY(!QDir(File("out/nowhere")).exists());
        QCOMPARE(QDir(File("out")).entryList(QDir::Files), before);
        QVERIFY(app.CommandEnabled(CommandId::ExportSong));
        QVERIFY(app.Frame()->View()->isEnabled());
        QVERIFY(!app.Document().Modified());
    }
};

QTEST_MAIN(ExportSongTest)
#include "ExportSongTest.moc"
