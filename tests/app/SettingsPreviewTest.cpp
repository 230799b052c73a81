// The previews of the settings tabs: the still pictures are what tessavox-cli page draws for the
// same settings, Preview plays a page in real time and can be stopped, and the sheet opens fast.
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "AppTestSupport.h"
#include "project/ProjectFile.h"
#include "SettingsTestSupport.h"
#include "app/TessavoxApp.h"
#include "app/CommandIds.h"
#include "app/QtUserPrompt.h"
#include "app/dialogs/GraphicPageDialog.h"
#include "app/dialogs/LyricsPageDialog.h"
#include "app/dialogs/PreviewScreen.h"
#include "app/dialogs/SongSettingsDialog.h"
#include "app/widgets/CdgScreenWidget.h"
#include "cdg/MKaraokeInitialize.h"
#include "cdg/PagePicture.h"
#include "project/ColourSlots.h"
#include "project/KaraokeSong.h"
#include "text/FontDictionary.h"
#include "text/UserPrompt.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kOpenLimitMs = 1500; // the sanitized build runs several times slower
#else
constexpr qint64 kOpenLimitMs = 300;
#endif

struct Difference {
    int count = 0;
    QRect box;
};

Difference Compare(const QImage& a, const QImage& b)
{
    Difference d;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x)
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) {
                ++d.count;
                d.box |= QRect(x, y, 1, 1);
            }
    return d;
}

int CountColour(const QImage& image, uint32_t rgb)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == rgb;
    return n;
}

} // namespace

class SettingsPreviewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QtUserPrompt m_prompt;
    QString m_graphics;

    SettingsDlgContext Context() { return {nullptr, &m_prompt, &m_graphics, nullptr}; }

    QImage CliPage(const QString& project, const char* kind)
    {
        const QString out = m_dir.filePath(QString("%1-%2.png").arg(QFileInfo(project).baseName(), kind));
        QProcess cli;
        cli.start(TESSAVOX_CLI_PATH, {"page", project, "--kind", kind, "-o", out, "--force"});
        if (!cli.waitForFinished(60000) || cli.exitCode() != 0) {
            qWarning() << cli.readAllStandardError();
            return {};
        }
        return QImage(out);
    }

    // What a tab's preview window shows once the tab is on screen.
    static QImage Shown(SongSettingsDialog& dialog, int tab)
    {
        dialog.Tabs()->setCurrentIndex(tab);
        if (!dialog.isVisible()) dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog)) return {};
        QWidget* page = dialog.Tabs()->widget(tab);
        CdgScreenWidget* viewer = Child<PreviewScreen>(*page, "previewScreen")->Viewer();
        QTest::qWait(20);
        return viewer->Picture();
    }

    // A saved song whose lyric text is the lyrics tab's sample lines.
    QString SampleSong(const QString& name, KaraokeSong& song, int lines)
    {
        song.projectPath = m_dir.filePath(name).toStdString();
        song.settings.linesPerPage = lines;
        song.lyricText = "Sample line (swept)";
        for (int i = 1; i < lines; ++i) song.lyricText += "\nSample Singer 1";
        return SaveProject(song) ? m_dir.filePath(name) : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(MKaraoke_Initialize());
    }

    void theLyricsPreviewIsWhatTheCliDraws()
    {
        for (bool picture : {false, true}) {
            KaraokeSong song;
            IMAGE_STRUCT& lyrics = *song.FindPage(kPageLyrics);
            // A text sweep in the singer's own colour leaves the swept line looking unswept,
            // as the page command draws it.
            lyrics.graphic.SetColour(kSlotSweep, 128, 255, 255);
            lyrics.style.hAlign = picture ? kAlignRight : kAlignCentre;
            if (picture) {
                const QString png = m_dir.filePath("lyrics-picture.png");
                QVERIFY(WriteBlocks(png, 288, 96));
                SilentUserPrompt silent;
                QVERIFY(LoadPagePicture(lyrics, png.toStdString(), silent));
                lyrics.graphicShare = 50;
            }
            const QString project = SampleSong(picture ? "picture.tvx" : "solo.tvx", song, picture ? 3 : 4);
            QVERIFY(!project.isEmpty());
            const QImage expected = CliPage(project, "lyrics");
            QCOMPARE(expected.size(), QSize(300, 216));

            KaraokeSong loaded(project.toStdString());
            QVERIFY(LoadProject(loaded));
            auto copy = loaded.Copy();
            SongSettingsDialog dialog(*copy, Context());
            const QImage shown = Shown(dialog, SongSettingsDialog::kLyricsTab);
            QCOMPARE(shown.size(), QSize(300, 216));
            QCOMPARE(Compare(shown, expected).count, 0);
            QVERIFY(CountColour(shown, 0x80FFFF) > 100);
            dialog.reject();
        }
    }

    void theSweptLineDiffersOnlyInItsOwnRow()
    {
        KaraokeSong song;
        song.settings.sweepKind = 1;
        song.FindPage(kPageLyrics)->style.style = kStyleBold | kStyleShadow;
        const QString project = SampleSong("swept.tvx", song, 4);
        const QImage expected = CliPage(project, "lyrics");
        KaraokeSong loaded(project.toStdString());
        QVERIFY(LoadProject(loaded));
        auto copy = loaded.Copy();
        SongSettingsDialog dialog(*copy, Context());
        const QImage shown = Shown(dialog, SongSettingsDialog::kLyricsTab);
        const Difference d = Compare(shown, expected);
        QVERIFY(d.count > 0);
        // The first of four rows of the 192-pixel content area, which starts 12 pixels down.
        QVERIFY2(d.box.top() >= 12 && d.box.bottom() < 12 + 192 / 4, qPrintable(QString::number(d.box.bottom())));
        // A background sweep paints the sweep colour behind the letters.
        QVERIFY(CountColour(shown, 0xFFEE00) > 200);
        QCOMPARE(CountColour(expected, 0xFFEE00), 0);
    }

    void theTitlePreviewIsWhatTheCliDraws()
    {
        KaraokeSong song;
        song.projectPath = m_dir.filePath("title.tvx").toStdString();
        IMAGE_STRUCT& title = *song.FindPage(kPageTitle);
        title.text = "My Song\nby Someone";
        title.style.style = kStyleBold | kStyleShadow;
        title.lineStyles.lines.push_back({10, 18, kStyleItalic, "Liberation Serif", kAlignRight});
        title.graphic.SetColour(10, 255, 136, 0);
        QVERIFY(SaveProject(song));
        const QImage expected = CliPage(m_dir.filePath("title.tvx"), "title");
        KaraokeSong loaded(song.projectPath);
        QVERIFY(LoadProject(loaded));
        auto copy = loaded.Copy();
        SongSettingsDialog dialog(*copy, Context());
        const QImage shown = Shown(dialog, SongSettingsDialog::kTitleTab);
        QCOMPARE(Compare(shown, expected).count, 0);
        QVERIFY(CountColour(shown, 0xFF8800) > 20);
    }

    void previewPlaysThePageInRealTime()
    {
        KaraokeSong song;
        IMAGE_STRUCT& credits = *song.FindPage(kPageCredits);
        credits.text = "Thanks";
        credits.holdTime = 0;
        SongSettingsDialog dialog(song, Context());
        const QImage still = Shown(dialog, SongSettingsDialog::kCreditsTab);
        GraphicPageDialog& page = *dialog.CreditsPage();
        auto* button = Child<QPushButton>(page, "preview");
        bool sawItRunning = false;
        QTimer::singleShot(500, [&] {
            sawItRunning = dialog.Previewing() && !button->isEnabled() && !dialog.Tabs()->isEnabled() &&
                           !dialog.OkButton()->isEnabled();
        });
        QElapsedTimer timer;
        timer.start();
        button->click();
        const qint64 ms = timer.elapsed();
        QVERIFY(sawItRunning);
        const size_t packets = page.Screen()->LastPlayPackets();
        // The colour table and presets, then every one of the 768 tiles at least once.
        QVERIFY(packets >= 38 + 768);
        QVERIFY2(ms >= qint64(packets) * 1000 / 300 - 20, qPrintable(QString("%1 ms for %2").arg(ms).arg(packets)));
        QVERIFY(ms < qint64(packets) * 1000 / 300 + 2000);
        QVERIFY(button->isEnabled() && dialog.Tabs()->isEnabled() && !dialog.Previewing());
        QCOMPARE(Compare(page.Screen()->Viewer()->Picture(), still).count, 0);
    }

    void escapeStopsAPreviewAndKeepsTheSheet()
    {
        KaraokeSong song;
        song.FindPage(kPageTitle)->text = "Title";
        SongSettingsDialog dialog(song, Context());
        const QImage still = Shown(dialog, SongSettingsDialog::kTitleTab);
        QTimer::singleShot(300, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
        QElapsedTimer timer;
        timer.start();
        Child<QPushButton>(*dialog.TitlePage(), "preview")->click();
        // Draw, two seconds of hold and the erase would take over seven seconds.
        QVERIFY(timer.elapsed() < 2000);
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.Previewing());
        // The title page is drawn still again afterwards.
        QCOMPARE(Compare(dialog.TitlePage()->Screen()->Viewer()->Picture(), still).count, 0);
        dialog.reject();
        QVERIFY(!dialog.isVisible());
    }

    void theLyricsPreviewPlaysTheSamplePage()
    {
        KaraokeSong song;
        SongSettingsDialog dialog(song, Context());
        const QImage still = Shown(dialog, SongSettingsDialog::kLyricsTab);
        LyricsPageDialog& page = *dialog.LyricsPage();
        QElapsedTimer timer;
        timer.start();
        Child<QPushButton>(page, "preview")->click();
        // Two pauses of 100 ms around the packets.
        QVERIFY(timer.elapsed() >= 200);
        QVERIFY(page.Screen()->LastPlayPackets() > 19);
        QCOMPARE(Compare(page.Screen()->Viewer()->Picture(), still).count, 0);
    }

    void theSheetOpensQuickly()
    {
        Answers answers;
        TessavoxApp app;
        app.InitInstance(false);
        qint64 openMs = -1;
        QElapsedTimer timer;
        OnNextModal<SongSettingsDialog>([&](SongSettingsDialog& d) {
            openMs = timer.elapsed();
            d.CancelButton()->click();
        });
        timer.start();
        app.RunCommand(CommandId::Settings);
        qInfo("settings sheet open: %lld ms with %zu faces", openMs, FontDictionary::Instance().Count());
        QVERIFY(openMs >= 0);
        QVERIFY(openMs < kOpenLimitMs);
    }
};

QTEST_MAIN(SettingsPreviewTest)
#include "SettingsPreviewTest.moc"
