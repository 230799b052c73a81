// The shell: commands and their enabled rules, the project lifecycle, auto save, the music of a
// project, the settings file and the window placement.
#include <QAction>
#include <QCryptographicHash>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QScreen>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QTemporaryDir>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTextBrowser>
#include <QDialog>
#include <QtTest>

#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "app/TessavoxApp.h"
#include "app/CommandIds.h"
#include "app/views/AdjustLyricsView.h"
#include "app/views/PlaceLyricsView.h"
#include "app/views/PlayFinalView.h"
#include "app/views/SongView.h"
#include "app/widgets/CWaveformStrip.h"
#include "app/widgets/CdgScreenWidget.h"
#include "audio/WavOutFile.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"
#include "timing/PlayClock.h"

// Stands in for the desktop's browser: remembers the addresses it is asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls << url; }
};

class MainFrameTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString File(const QString& name) const { return m_dir.filePath(name); }

    void WriteWav(const QString& path, int seconds)
    {
        WavOutFile out;
        QVERIFY(out.Create(path.toStdString(), 44100, 16, 2));
        std::vector<int16_t> samples(size_t(seconds) * 44100 * 2, 0);
        QVERIFY(out.Write(samples));
        QVERIFY(out.Close());
    }

    // A saved project with placed lyrics and, when given, music.
    QString SavedProject(const QString& name, const QString& music, int singers = 1)
    {
        KaraokeSong song(File(name).toStdString());
        song.settings.singerCount = singers;
        song.lyricText = "one two\nthree";
        song.GenerateKaraokeLineList(true, false);
        uint32_t t = 44100;
        for (auto& w : song.words) {
            w->start = t;
            w->end = t + 20000;
            t += 44100;
        }
        song.musicPath = music.toStdString();
        SaveProject(song);
        return File(name);
    }

    // A key as the window system delivers it: to the window, which hands it to its focus widget.
    static void Press(TessavoxApp& app, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(app.Frame()->windowHandle(), key, modifiers);
    }

    // Every control of the view that does not show whole: outside the view, a button or a
    // group narrower than its text, a label line wider than the label.
    static QStringList Clipped(QWidget* view)
    {
        QStringList clipped;
        for (QWidget* w : view->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(view) || w->width() <= 1) continue;
            const QString name = QString("%1 \"%2\"").arg(w->metaObject()->className(), w->objectName());
            if (!view->rect().contains(QRect(w->mapTo(view, QPoint(0, 0)), w->size())))
                clipped << name + " reaches out of the view";
            // A button keeps room for its text and the style's margins (not necessarily the
            // width the style likes text buttons to have).
            auto* b = qobject_cast<QPushButton*>(w);
            if (b && !b->text().isEmpty()) {
                const int needs = b->fontMetrics().size(Qt::TextShowMnemonic, b->text()).width() +
                                  b->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b) +
                                  2 * b->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, b) +
                                  (b->icon().isNull() ? 0 : b->iconSize().width() + 4);
                if (b->width() < needs) clipped << QString("button \"%1\" %2 < %3").arg(b->text()).arg(b->width()).arg(needs);
            }
            if (auto* g = qobject_cast<QGroupBox*>(w); g && g->width() < g->minimumSizeHint().width())
                clipped << QString("group \"%1\"").arg(g->title());
            if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty() && l->objectName() != "musicName") {
                if (l->wordWrap()) {
                    if (l->heightForWidth(l->width()) > l->height()) clipped << "wrapped label " + l->text();
                    continue;
                }
                for (const QString& line : l->text().split('\n'))
                    if (l->fontMetrics().horizontalAdvance(line) > l->contentsRect().width())
                        clipped << QString("label \"%1\"").arg(line);
            }
        }
        return clipped;
    }

    static QByteArray Sha256(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }

    static void ClickAddMusic(TessavoxApp& app)
    {
        auto* button = app.Frame()->View()->findChild<QPushButton*>("addMusic");
        QVERIFY(button);
        button->click();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Every test run starts from a fresh profile.
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Kelvane", "Tessavox").clear();
    }

    void aNewUntitledSongEnablesOnlyWhatMakesSense()
    {
        Answers answers;
        TessavoxApp app;
        app.InitInstance(false);
        MainWindow* frame = app.Frame();
        QCOMPARE(frame->windowTitle(), QString("Tessavox - Untitled[*]"));
        QVERIFY(!frame->isWindowModified());
        QCOMPARE(app.CurrentView(), ViewId::EditLyrics);
        frame->UpdateCommandStates();
        QVERIFY(frame->Action(CommandId::FileNew)->isEnabled());
        QVERIFY(frame->Action(CommandId::FileOpen)->isEnabled());
        QVERIFY(!frame->Action(CommandId::FileClose)->isEnabled());
        QVERIFY(!frame->Action(CommandId::FileSave)->isEnabled());
        QVERIFY(frame->Action(CommandId::FileSaveAs)->isEnabled()); // a new song can be saved under a name
        QVERIFY(!frame->Action(CommandId::ExportSong)->isEnabled());
        QVERIFY(frame->Action(CommandId::AutoSave)->isChecked());
        QVERIFY(!app.CommandEnabled(CommandId::ModePlaceLyrics));
        QVERIFY(!app.CommandEnabled(CommandId::ModeAdjustLyrics));

        EditSong(app, [](KaraokeSong& s) { s.lyricText = "la la"; });
        frame->UpdateCommandStates();
        QVERIFY(frame->Action(CommandId::FileSave)->isEnabled());

        // Playing turns the project commands off.
        bool playing = true;
        app.playingProbe = [&] { return playing; };
        frame->UpdateCommandStates();
        QVERIFY(!frame->Action(CommandId::FileNew)->isEnabled());
        QVERIFY(!frame->Action(CommandId::FileSave)->isEnabled());
        QVERIFY(frame->Action(CommandId::AutoSave)->isEnabled());
        playing = false;
        frame->UpdateCommandStates();
        QVERIFY(frame->Action(CommandId::FileOpen)->isEnabled());
        app.Document().Discard();
    }

    void editCommandsFollowTheFocusedEditor()
    {
        Answers answers;
        TessavoxApp app;
        app.InitInstance(true);
        auto* editor = new QLineEdit(app.Frame()->View());
        editor->setText("some words");
        editor->show();
        editor->setFocus();
        QApplication::setActiveWindow(app.Frame());
        QTRY_VERIFY(editor->hasFocus());
        QVERIFY(app.CommandEnabled(CommandId::EditSelectAll));
        QVERIFY(!app.CommandEnabled(CommandId::EditCopy));
        app.RunCommand(CommandId::EditSelectAll);
        QVERIFY(editor->hasSelectedText());
        QVERIFY(app.CommandEnabled(CommandId::EditCut));
        app.RunCommand(CommandId::EditCut);
        QCOMPARE(editor->text(), QString());
        editor->setReadOnly(true);
        QVERIFY(!app.CommandEnabled(CommandId::EditPaste));
    }

    void theShellsShortcutsReachEveryView()
    {
        Answers answers;
        TessavoxApp app;
        app.InitInstance(true);
        QVERIFY(QTest::qWaitForWindowExposed(app.Frame()));
        EditSong(app, [](KaraokeSong& s) { s.lyricText = "typed"; });
        app.Frame()->UpdateCommandStates();
        // Ctrl+S pressed in a view's screen saves (here: asks for a name, then cancels).
        QWidget* viewer = app.Frame()->View()->findChild<QWidget*>("viewer");
        QVERIFY(viewer);
        viewer->setFocus();
        QTest::keyClick(viewer, Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE(answers.choices.size(), size_t(1));
        QCOMPARE(answers.choices[0].title, QString("Save Tessavox Project"));
        // Ctrl+O asks about the unsaved changes first.
        answers.answers = {PromptAnswer::Cancel};
        QTest::keyClick(viewer, Qt::Key_O, Qt::ControlModifier);
        QTRY_VERIFY(answers.Asked("Confirm Closing Project"));
        app.Document().Discard();
    }

    void theModeButtonsAnswerToTheirAltKeys()
    {
        Answers answers;
        const QString wav = File("keys.wav");
        WriteWav(wav, 2);
        TessavoxApp app;
        app.InitInstance(true);
        QVERIFY(app.OpenProject(SavedProject("keys.tvx", wav)));
        QApplication::setActiveWindow(app.Frame());
        QVERIFY(QTest::qWaitForWindowActive(app.Frame()));
        // The underlined letter of each button, pressed once with Alt. Every top-level menu has
        // a letter of its own, none of them a view button's.
        QSet<QKeySequence> letters;
        for (QAbstractButton* button : app.Frame()->View()->findChildren<QAbstractButton*>())
            if (!button->text().isEmpty()) letters.insert(QKeySequence::mnemonic(button->text()));
        for (const QAction* menu : app.Frame()->menuBar()->actions()) {
            const QKeySequence letter = QKeySequence::mnemonic(menu->text());
            QVERIFY2(!letter.isEmpty() && !letters.contains(letter), qPrintable(menu->text()));
            letters.insert(letter);
        }
        const std::pair<Qt::Key, int> keys[] = {
            {Qt::Key_P, ViewId::PlayFinal}, {Qt::Key_A, ViewId::AdjustLyrics}, {Qt::Key_P, ViewId::PlayFinal},
            {Qt::Key_D, ViewId::EditLyrics}};
        for (const auto& [key, view] : keys) {
            QTest::keyClick(app.Frame()->windowHandle(), key, Qt::AltModifier);
            QTRY_COMPARE(app.CurrentView(), view);
        }
        QCOMPARE(answers.notices, 1); // Edit Lyrics warns about the placed lyrics
        // The Edit menu opened and closed with the keys leaves the menu bar walked; Alt+P is
        // still the view's.
        QTest::keyClick(app.Frame()->windowHandle(), Qt::Key_E, Qt::AltModifier);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QTest::keyClick(app.Frame()->windowHandle(), Qt::Key_P, Qt::AltModifier);
        QTRY_COMPARE(app.CurrentView(), int(ViewId::PlayFinal));
        app.Document().Discard();
    }

    void everyViewTakesTheKeyboardHoweverItWasReached()
    {
        Answers answers;
        const QString wav = File("reach.wav");
        WriteWav(wav, 30);
        ManualClock clock;
        TessavoxApp app;
        app.SetClockForTesting(&clock);
        app.settingsDialog = [](KaraokeSong&) { return true; };
        app.InitInstance(true);
        QVERIFY(app.OpenProject(SavedProject("reach.tvx", wav)));
        QApplication::setActiveWindow(app.Frame());
        QVERIFY(QTest::qWaitForWindowActive(app.Frame()));
        auto view = [&] { return app.Frame()->View(); };

        // The mode button clicked while a button of the old view had the focus: Home starts
        // placing, Space places at the clock (the overwrite question answered Yes).
        view()->ModeButton(4)->setFocus();
        QTest::mouseClick(view()->ModeButton(1), Qt::LeftButton);
        QTRY_COMPARE(app.CurrentView(), ViewId::PlaceLyrics);
        Press(app, Qt::Key_Home);
        auto* place = qobject_cast<PlaceLyricsView*>(view());
        QCOMPARE(place->CurrentState(), PlaceLyricsView::State::Placing);
        clock.Set(88200);
        Press(app, Qt::Key_Space);
        QCOMPARE(app.Song().words[0]->start, 88200u);
        Press(app, Qt::Key_End);
        QCOMPARE(place->CurrentState(), PlaceLyricsView::State::Finished);

        // Its letter with Alt: Adjust Lyrics, where "." moves the first word's start.
        Press(app, Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(app.CurrentView(), ViewId::AdjustLyrics);
        Press(app, Qt::Key_Period);
        QCOMPARE(app.Song().words[0]->start, 88200u + 8820);

        // The command, with nothing of the window holding the focus: Space plays Play Final.
        if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
        app.RunCommand(CommandId::ModePlayFinal);
        QCOMPARE(app.CurrentView(), ViewId::PlayFinal);
        auto* play = qobject_cast<PlayFinalView*>(view());
        Press(app, Qt::Key_Space);
        QVERIFY(play->Playing());
        Press(app, Qt::Key_Space);
        QVERIFY(!play->Playing());

        // A dialog closed over the view (the settings, OK: the view is built again).
        app.RunCommand(CommandId::Settings);
        play = qobject_cast<PlayFinalView*>(view());
        Press(app, Qt::Key_Space);
        QVERIFY(play->Playing());
        Press(app, Qt::Key_Space);

        // Another window had the keyboard when a second start raised this one.
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QTRY_VERIFY(!app.Frame()->isActiveWindow());
        app.OpenFromAnotherStart("");
        QTRY_VERIFY(app.Frame()->isActiveWindow());
        Press(app, Qt::Key_Space);
        QVERIFY(play->Playing());
        Press(app, Qt::Key_Space);

        // Back to Edit Lyrics by its letter (the notice first): what is typed goes into the lyrics.
        Press(app, Qt::Key_D, Qt::AltModifier);
        QTRY_COMPARE(app.CurrentView(), ViewId::EditLyrics);
        Press(app, Qt::Key_X);
        QVERIFY(QString::fromStdString(app.Song().lyricText).contains('x'));
        app.Document().Discard();
    }

    // Run on screens of several sizes and scales (scripts/xvfb_window_fit.sh): whatever the
    // screen, the least window fits on it with every control whole and a screen of at least
    // 300 x 216, and in a window as large as the screen every control is whole too and, where
    // that is much larger than the least, the CD+G screen has grown in every view.
    void everyViewKeepsItsControlsWholeAtTheLeastWindowSize()
    {
        Answers answers;
        const QString wav = File("whole.wav");
        WriteWav(wav, 3);
        TessavoxApp app;
        app.InitInstance(true);
        // A duet, so that Adjust Lyrics shows its singer buttons too.
        QVERIFY(app.OpenProject(SavedProject("whole.tvx", wav, 2)));
        MainWindow* frame = app.Frame();
        const QRect free = frame->screen()->availableGeometry();
        QVERIFY2(free.size().expandedTo(frame->minimumSize()) == free.size(),
                 qPrintable(QString("the least window %1 x %2 is larger than the screen's %3 x %4")
                                .arg(frame->minimumWidth()).arg(frame->minimumHeight())
                                .arg(free.width()).arg(free.height())));
        QVERIFY(free.contains(frame->geometry()));
        QMap<int, QSize> leastScreen;
        for (const QSize& size : {frame->minimumSize(), free.size()}) {
            frame->setGeometry(QRect(free.topLeft(), size));
            QVERIFY(QTest::qWaitForWindowExposed(frame));
            QTRY_COMPARE(frame->size(), size);
            for (int view : {ViewId::EditLyrics, ViewId::PlaceLyrics, ViewId::AdjustLyrics, ViewId::PlayFinal}) {
                app.SwitchView(view);
                QTRY_COMPARE(frame->View()->size(), frame->centralWidget()->size());
                QCoreApplication::sendPostedEvents(); // the layouts settle
                CdgScreenWidget* screen = frame->View()->Viewer();
                QVERIFY(screen);
                const QString where = QString("view %1 in %2 x %3").arg(view).arg(size.width()).arg(size.height());
                QVERIFY2(screen->width() >= 300 && screen->height() >= 216,
                         qPrintable(QString("%1: a screen of %2 x %3").arg(where).arg(screen->width()).arg(screen->height())));
                QVERIFY2(std::abs(screen->width() * 3 - screen->height() * 4) <= 8, qPrintable(where + ": not 4:3"));
                // Where the screen leaves the window room to grow, the CD+G screen grows too.
                const bool roomToGrow = free.width() - frame->minimumWidth() >= 200 &&
                                        free.height() - frame->minimumHeight() >= 200;
                if (!leastScreen.contains(view)) leastScreen[view] = screen->size();
                else if (roomToGrow)
                    QVERIFY2(screen->width() > leastScreen[view].width() * 5 / 4,
                             qPrintable(QString("%1: the screen grew only from %2 to %3 wide")
                                            .arg(where).arg(leastScreen[view].width()).arg(screen->width())));
                QVERIFY(free.contains(QRect(screen->mapToGlobal(QPoint(0, 0)), screen->size())));
                CheckWhole(frame, view);
            }
        }
        app.Document().Discard();
    }

    // Every control of the window's view shows whole, and the waveform strip lies on nothing.
    void CheckWhole(MainWindow* frame, int view)
    {
        {
            const QStringList clipped = Clipped(frame->View());
            QVERIFY2(clipped.isEmpty(), qPrintable(QString("view %1 at %2 x %3: %4")
                                                       .arg(view)
                                                       .arg(frame->width())
                                                       .arg(frame->height())
                                                       .arg(clipped.join("; "))));
            // The waveform strip keeps its least height and lies on nothing else of the view.
            if (CWaveformStrip* strip = frame->View()->Waveform()) {
                QVERIFY(strip->isVisible());
                QVERIFY(strip->height() >= CWaveformStrip::kMinimumHeight);
                for (QWidget* other : frame->View()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                    QVERIFY2(other == strip || !other->isVisible() || !other->geometry().intersects(strip->geometry()),
                             qPrintable(QString("view %1: the strip lies on %2").arg(view).arg(other->objectName())));
            }
        }
    }

    void viewWaveformHidesTheStripInEveryViewAndIsRemembered()
    {
        Answers answers;
        const QString wav = File("strip.wav");
        WriteWav(wav, 3);
        {
            TessavoxApp app;
            app.InitInstance(true);
            QVERIFY(app.OpenProject(SavedProject("strip.tvx", wav, 1)));
            app.RunCommand(CommandId::ModeAdjustLyrics);
            SongView* view = app.Frame()->View();
            QAction* toggle = app.Frame()->WaveformAction();
            QVERIFY(toggle->isCheckable() && toggle->isChecked());
            QVERIFY(view->Waveform()->isVisible());
            const int screen = view->Viewer()->height();
            toggle->trigger();
            QVERIFY(!view->Waveform()->isVisible());
            // The screen takes the room the strip leaves (the window is tall enough for it).
            QVERIFY2(view->Viewer()->height() > screen, qPrintable(QString("%1 -> %2").arg(screen).arg(view->Viewer()->height())));
            app.RunCommand(CommandId::ModePlaceLyrics);
            QVERIFY(!app.Frame()->View()->Waveform()->isVisible());
            app.Document().Discard();
        }
        TessavoxApp again;
        again.InitInstance(true);
        QVERIFY(!again.Frame()->WaveformAction()->isChecked());
        QVERIFY(!again.Frame()->View()->Waveform()->isVisible());
        again.Frame()->WaveformAction()->trigger();
        QVERIFY(again.Frame()->View()->Waveform()->isVisible());
    }

    void aSongHasOnePageCountInTheWindowAndTheCommandLineTool()
    {
        Answers answers;
        const QString wav = File("pages.wav");
        WriteWav(wav, 3);
        // Four lines fill the first page; the final line break makes an empty fifth line, which
        // the stream draws on a page of its own.
        KaraokeSong song(File("pages.tvx").toStdString());
        song.lyricText = "a b\r\nc d\r\ne f\r\ng h\r\n";
        song.settings.linesPerPage = 4;
        song.GenerateKaraokeLineList(true, false);
        for (size_t i = 0; i < song.words.size(); ++i) song.words[i]->start = uint32_t(44100 * (i + 1));
        song.musicPath = wav.toStdString();
        QVERIFY(SaveProject(song));

        QProcess cli;
        cli.start(TESSAVOX_CLI_PATH, {"info", File("pages.tvx")});
        QVERIFY(cli.waitForFinished(60000));
        const QString info = QString::fromUtf8(cli.readAllStandardOutput());
        QVERIFY2(info.contains("\nLines: 5 on 2 pages\n"), qPrintable(info));

        TessavoxApp app;
        app.InitInstance(false);
        QVERIFY(app.OpenProject(File("pages.tvx")));
        QCOMPARE(app.Frame()->View()->findChild<QLabel*>("pageLabel")->text(), QString("1 of 2"));
        app.RunCommand(CommandId::ModeAdjustLyrics);
        QCOMPARE(app.Frame()->View()->findChild<QLabel*>("page")->text(), QString("1 of 2"));
        app.Document().Discard();
    }

    void theManualOpensInTheBrowserFromBesideTheProgram()
    {
        Answers answers;
        UrlCatcher browser;
        QDesktopServices::setUrlHandler("file", &browser, "Open");
        TessavoxApp app;
        app.InitInstance(true);
        QApplication::setActiveWindow(app.Frame());
        QVERIFY(QTest::qWaitForWindowActive(app.Frame()));
        QTest::keyClick(app.Frame()->windowHandle(), Qt::Key_F1);
        QDesktopServices::unsetUrlHandler("file");
        QVERIFY2(answers.boxes.empty(), answers.boxes.empty() ? "" : answers.boxes[0].text.c_str());
        QCOMPARE(browser.urls.size(), 1);
        // The build puts it where an install does, relative to the program's folder.
        const QString manual = browser.urls[0].toLocalFile();
        QCOMPARE(QFileInfo(manual).canonicalFilePath(),
                 QFileInfo(QCoreApplication::applicationDirPath() + "/../share/doc/tessavox/manual/index.html")
                     .canonicalFilePath());
        QFile page(manual);
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QByteArray html = page.readAll();
        for (const char* part : {"Place Lyrics", "Adjust Lyrics", "Play Final", "Export Song", "tessavox-cli"})
            QVERIFY2(html.contains(part), part);
    }

    void aMovedFolderOfProjectAndMusicFindsTheMusicAndKeepsItsPath()
    {
        Answers answers;
        const QString before = File("moved-before"), after = File("moved-after");
        QVERIFY(QDir().mkpath(before));
        WriteWav(before + "/music.wav", 2);
        KaraokeSong song((before + "/song.tvx").toStdString());
        song.lyricText = "one two";
        song.musicPath = (before + "/music.wav").toStdString();
        QVERIFY(SaveProject(song));
        QVERIFY(QDir().rename(before, after));

        TessavoxApp app;
        app.InitInstance(false);
        QVERIFY(app.OpenProject(after + "/song.tvx"));
        // Found beside the project: no question, and the music plays from there.
        QVERIFY2(answers.boxes.empty(), answers.boxes.empty() ? "" : answers.boxes[0].text.c_str());
        QVERIFY(app.MusicLoaded());
        QCOMPARE(app.MusicSourcePath(), after + "/music.wav");
        QCOMPARE(app.WorkingAudioPath(), after + "/music.wav");
        // Saving keeps the path the project had.
        EditSong(app, [](KaraokeSong& s) { s.lyricText = "one two three"; });
        QVERIFY(app.FileSave());
        KaraokeSong saved((after + "/song.tvx").toStdString());
        QVERIFY(LoadProject(saved));
        QCOMPARE(saved.musicPath, (before + "/music.wav").toStdString());
        QCOMPARE(saved.lyricText, std::string("one two three"));
    }

    void saveAsksForANameOnlyWhenUntitled()
    {
        Answers answers;
        TessavoxApp app;
        app.InitInstance(false);
        EditSong(app, [](KaraokeSong& s) { s.lyricText = "hello"; });
        answers.paths << File("first.tvx");
        app.RunCommand(CommandId::FileSave);
        QCOMPARE(answers.choices.size(), size_t(1));
        QCOMPARE(answers.choices[0].title, QString("Save Tessavox Project"));
        QCOMPARE(answers.choices[0].filters, QStringList{"Tessavox Projects (*.tvx)"});
        QVERIFY(QFile::exists(File("first.tvx")));
        QVERIFY(!app.Document().Modified());
        QCOMPARE(app.Frame()->windowTitle(), QString("Tessavox - first.tvx[*]"));
        QVERIFY(!app.Frame()->isWindowModified());
        QVERIFY(app.CommandEnabled(CommandId::FileSaveAs));
        QVERIFY(app.CommandEnabled(CommandId::FileClose));

        // The unsaved mark follows the song: on with a change, off with Undo back to the saved
        // song, on again with Redo, off after Save.
        EditSong(app, [](KaraokeSong& s) { s.lyricText = "hello again"; });
        QVERIFY(app.Frame()->isWindowModified());
        app.RunCommand(CommandId::EditUndo);
        QVERIFY(!app.Frame()->isWindowModified());
        app.RunCommand(CommandId::EditRedo);
        QVERIFY(app.Frame()->isWindowModified());
        app.RunCommand(CommandId::FileSave);
        QVERIFY(!app.Frame()->isWindowModified());
        QCOMPARE(answers.choices.size(), size_t(1)); // no chooser this time
        KaraokeSong check(File("first.tvx").toStdString());
        QVERIFY(LoadProject(check));
        QCOMPARE(check.lyricText, std::string("hello again"));
    }

    void cancelInTheClosingQuestionKeepsTheProject()
    {
        Answers answers;
        TessavoxApp app;
        app.InitInstance(false);
        EditSong(app, [](KaraokeSong& s) { s.lyricText = "unsaved"; });
        answers.answers = {PromptAnswer::Cancel, PromptAnswer::Cancel, PromptAnswer::Cancel};
        app.FileOpen();
        QVERIFY(answers.choices.empty()); // Open stopped before its chooser
        app.FileClose();
        QVERIFY(!app.Exit());
        QCOMPARE(answers.boxes.size(), size_t(3));
        for (const auto& box : answers.boxes) {
            QCOMPARE(box.caption, std::string("Confirm Closing Project"));
            QCOMPARE(box.text, std::string("You have made changes to this project.\nDo you want to save it?"));
            QCOMPARE(box.buttons, PromptButtons::YesNoCancel);
        }
        QCOMPARE(app.Song().lyricText, std::string("unsaved"));
        QVERIFY(app.Document().Modified());
        // No: the project goes without saving.
        answers.answers = {PromptAnswer::No};
        app.FileClose();
        QCOMPARE(app.Song().lyricText, std::string());
        QVERIFY(!app.Document().Modified());
    }

    void aFailedSaveKeepsTheWindowTheNameAndTheChanges()
    {
        Answers answers;
        TessavoxApp app;
        app.InitInstance(false);
        EditSong(app, [](KaraokeSong& s) { s.lyricText = "precious"; });
        // A folder stands where the project would go: the save cannot replace it.
        QVERIFY(QDir().mkpath(File("taken.tvx")));
        answers.paths << File("taken.tvx");
        answers.answers = {PromptAnswer::Yes}; // save the changes before closing
        QVERIFY(!app.Exit());
        QVERIFY(answers.Asked("Confirm Closing Project"));
        QVERIFY2(answers.boxes.size() >= 2, "the failed save is reported");
        QCOMPARE(app.Song().projectPath, std::string());
        QVERIFY(app.Document().Modified());
        QCOMPARE(app.Song().lyricText, std::string("precious"));
        QVERIFY(QFileInfo(File("taken.tvx")).isDir());

        // Saved under a good name, a failed Save As keeps that name.
        answers.paths << File("good.tvx");
        QVERIFY(app.FileSave());
        QVERIFY(!app.Document().Modified());
        EditSong(app, [](KaraokeSong& s) { s.lyricText = "changed"; });
        answers.paths << File("taken.tvx");
        QVERIFY(!app.FileSaveAs());
        QCOMPARE(app.Song().projectPath, File("good.tvx").toStdString());
        QVERIFY(app.Frame()->windowTitle().startsWith("Tessavox - good.tvx"));
        QVERIFY(app.Document().Modified());
        app.Document().Discard();
    }

    void autoSaveSavesAtViewSwitchesButNotWhenLeavingPlayFinal()
    {
        Answers answers;
        const QString wav = File("auto.wav");
        WriteWav(wav, 2);
        TessavoxApp app;
        app.InitInstance(false);
        const QString project = SavedProject("auto.tvx", wav);
        QVERIFY(app.OpenProject(project));
        QVERIFY(app.MusicLoaded());
        QVERIFY(app.SomeLyricsPlaced());
        QVERIFY(app.AutoSaveOn());

        EditSong(app, [](KaraokeSong& s) { s.lyricText += "\nfour"; });
        app.SwitchView(ViewId::AdjustLyrics);
        QVERIFY(!app.Document().Modified());
        QCOMPARE(app.CurrentView(), ViewId::AdjustLyrics);

        app.SwitchView(ViewId::PlayFinal);
        EditSong(app, [](KaraokeSong& s) { s.title = "changed in Play Final"; });
        app.SwitchView(ViewId::EditLyrics);
        QVERIFY(app.Document().Modified()); // leaving Play Final never saves

        app.RunCommand(CommandId::AutoSave);
        QVERIFY(!app.AutoSaveOn());
        QCOMPARE(app.Settings().Int(AppSettings::kSettings, "AutoSave", -1), 0);
        app.SwitchView(ViewId::AdjustLyrics);
        QVERIFY(app.Document().Modified());
        app.RunCommand(CommandId::AutoSave);
        app.Document().Discard();

        // Untitled with auto save: the first switch asks for a name, once; refused, the later
        // switches and changes ask nothing until the song is saved by hand.
        app.FileClose();
        EditSong(app, [](KaraokeSong& s) { s.lyricText = "x"; });
        const size_t asked = answers.choices.size();
        app.SwitchView(ViewId::EditLyrics);
        QCOMPARE(answers.choices.size(), asked + 1);
        QCOMPARE(answers.choices.back().title, QString("Save Tessavox Project"));
        app.SwitchView(ViewId::EditLyrics);
        EditSong(app, [](KaraokeSong& s) { s.lyricText = "xy"; });
        app.SwitchView(ViewId::EditLyrics);
        QCOMPARE(answers.choices.size(), asked + 1);
        QVERIFY(app.Document().Modified());

        // A song with a path that cannot be written (its folder was taken away): told once, not
        // again at the next switch, and again after a change.
        const QString gone = File("gone");
        QVERIFY(QDir().mkpath(gone));
        answers.paths << gone + "/song.tvx";
        app.RunCommand(CommandId::FileSaveAs);
        QVERIFY(!app.Document().Modified());
        QVERIFY(QDir(gone).removeRecursively());
        EditSong(app, [](KaraokeSong& s) { s.lyricText = "xyz"; });
        const size_t boxes = answers.boxes.size();
        app.SwitchView(ViewId::EditLyrics);
        QCOMPARE(answers.boxes.size(), boxes + 1);
        QVERIFY(app.Document().Modified());
        app.SwitchView(ViewId::EditLyrics);
        QCOMPARE(answers.boxes.size(), boxes + 1);
        EditSong(app, [](KaraokeSong& s) { s.lyricText = "xyzw"; });
        app.SwitchView(ViewId::EditLyrics);
        QCOMPARE(answers.boxes.size(), boxes + 2);
        app.Document().Discard();
    }

    void aProjectWhoseMusicMovedOffersToChooseAgainAndKeepsItsPath()
    {
        Answers answers;
        TessavoxApp app;
        app.InitInstance(false);
        // On a disk that is not there today.
        const std::string gone = "/no-such-disk/gone.wav";
        const QString project = SavedProject("moved.tvx", QString::fromStdString(gone));
        answers.answers = {PromptAnswer::No};
        QVERIFY(app.OpenProject(project));
        QVERIFY(answers.Asked("Error in Music File"));
        // The box names the stored path and the places beside the project it looked in.
        const auto& box = answers.boxes.back();
        const std::string tried =
            gone + "\n" + File("gone.wav").toStdString() + "\n" + File("no-such-disk/gone.wav").toStdString() + "\n";
        QCOMPARE(box.text, "The music file associated with this\nproject has an error:\n\nFile not found\n" + tried +
                               "\n Would you like to select a different\nmusic file now?\n");
        // No keeps the music's path in the song, and the caption says it is missing.
        QCOMPARE(app.Song().musicPath, gone);
        QVERIFY(!app.MusicLoaded());
        QCOMPARE(app.Frame()->windowTitle(), QString("Tessavox - moved.tvx[*] (music missing)"));
        QVERIFY(app.OpenedFromFile());
        QVERIFY(app.CommandEnabled(CommandId::FileSaveAs));
        QCOMPARE(app.Settings().RecentFiles().first(), QFileInfo(project).absoluteFilePath());
    }

    void addMusicChecksTheFileAndOffersAnother()
    {
        Answers answers;
        TessavoxApp app;
        app.InitInstance(false);
        const QString good = File("good.wav");
        WriteWav(good, 1);
        {
            WavOutFile out;
            QVERIFY(out.Create(File("slow.wav").toStdString(), 22050, 16, 2));
            QVERIFY(out.Close());
        }
        answers.paths << File("slow.wav") << good;
        answers.answers = {PromptAnswer::Yes};
        QVERIFY(app.AddMusic());
        QCOMPARE(answers.choices[0].title, QString("Select Music File"));
        QCOMPARE(answers.boxes.size(), size_t(1));
        QCOMPARE(answers.boxes[0].text, std::string("There is a problem with the selected audio file:\n\nSample Rate "
                                                    "must be 44,100\n\nWould you like to choose another file?"));
        QCOMPARE(answers.boxes[0].icon, PromptIcon::Stop);
        QVERIFY(app.MusicLoaded());
        QCOMPARE(app.WorkingAudioPath(), good);
        QCOMPARE(app.Song().musicPath, good.toStdString());
        QVERIFY(app.Document().Modified());
        QVERIFY(app.Song().musicDataBytes > 0);
        app.Document().Discard();
    }

    void theManualShowsInAWindowOfItsOwn()
    {
        TessavoxApp app;
        app.InitInstance(false);
        const QString manual = MainWindow::ManualPath();
        QVERIFY2(!manual.isEmpty(), "the build puts the manual beside the program");
        app.Frame()->ShowManualWindow(manual);
        QDialog* window = app.Frame()->ManualWindow();
        QVERIFY(window && window->isVisible());
        auto* text = window->findChild<QTextBrowser*>("manualText");
        QVERIFY(text);
        QVERIFY(text->toPlainText().contains("Export Song"));
        QVERIFY(text->toPlainText().contains("Open Recent"));
    }

    void openRecentListsTheLastProjectsAndForgetsOneThatIsGone()
    {
        Answers answers;
        const QString wav = File("recent.wav");
        WriteWav(wav, 2);
        const QString first = SavedProject("recent-a.tvx", wav);
        const QString second = SavedProject("recent-b.tvx", wav);
        TessavoxApp app;
        app.InitInstance(false);
        app.Settings().ClearRecentFiles();
        QVERIFY(app.OpenProject(first));
        QVERIFY(app.OpenProject(second));
        QMenu* recent = app.Frame()->RecentMenu();
        const auto shown = [recent] {
            emit recent->aboutToShow();
            QStringList texts;
            for (QAction* a : recent->actions())
                if (!a->isSeparator()) texts << a->text();
            return texts;
        };
        QCOMPARE(shown(), (QStringList{"&1 " + QDir::toNativeSeparators(second), "&2 " + QDir::toNativeSeparators(first),
                                       "&Clear Menu"}));

        // The second entry opens its project; the list puts it first.
        recent->actions()[1]->trigger();
        QCOMPARE(app.Song().projectPath, first.toStdString());
        QCOMPARE(shown().first(), "&1 " + QDir::toNativeSeparators(first));

        // A project that was removed: the open says so, and the list forgets it.
        QVERIFY(QFile::remove(second));
        answers.boxes.clear();
        recent->actions()[1]->trigger();
        QCOMPARE(answers.boxes.size(), size_t(1));
        QCOMPARE(answers.boxes[0].text, std::string(kMsgCannotOpenProject));
        QCOMPARE(app.Song().projectPath, first.toStdString());
        QCOMPARE(shown(), (QStringList{"&1 " + QDir::toNativeSeparators(first), "&Clear Menu"}));

        // Clear Menu empties it.
        recent->actions().last()->trigger();
        QCOMPARE(shown(), (QStringList{"(No Recent Projects)", "&Clear Menu"}));
        QVERIFY(!recent->actions().last()->isEnabled());
    }

    void aRefusedProjectLeavesTheOpenSongAsItWasAndSavesNothingOverIt()
    {
        Answers answers;
        const QString wav = File("refused.wav");
        WriteWav(wav, 2);
        // A project from a newer program: the version word at its start says 601.
        const QString refused = SavedProject("newer.tvx", wav);
        {
            QFile file(refused);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QCOMPARE(file.write(QByteArray("\x59\x02\x00\x00", 4)), qint64(4));
        }
        const QByteArray before = Sha256(refused);
        TessavoxApp app;
        app.InitInstance(false);
        // Another project is open, in Adjust Lyrics, when the refused one is chosen.
        QVERIFY(app.OpenProject(SavedProject("open.tvx", wav)));
        app.RunCommand(CommandId::ModeAdjustLyrics);
        QCOMPARE(app.CurrentView(), ViewId::AdjustLyrics);

        QVERIFY(!app.OpenProject(refused));
        QCOMPARE(answers.boxes.back().text, std::string(kMsgProjectTooNew));
        QCOMPARE(app.Frame()->windowTitle(), QString("Tessavox - open.tvx[*]"));
        QCOMPARE(app.Song().projectPath, File("open.tvx").toStdString());
        QCOMPARE(app.CurrentView(), ViewId::AdjustLyrics);
        QVERIFY(app.MusicLoaded());
        QVERIFY(!app.Document().Modified());

        // What is changed afterwards is saved into the open song's own file.
        EditSong(app, [](KaraokeSong& s) { s.lyricText = "typed after the refusal"; });
        const size_t asked = answers.choices.size();
        QVERIFY(app.FileSave());
        QCOMPARE(answers.choices.size(), asked);
        QCOMPARE(Sha256(refused), before);
        KaraokeSong saved(File("open.tvx").toStdString());
        QVERIFY(LoadProject(saved));
        QCOMPARE(saved.lyricText, std::string("typed after the refusal"));
    }

    void addMusicNeitherAsksForANameNorRewritesTheProject()
    {
        Answers answers;
        const QString first = File("first-music.wav"), second = File("second-music.wav");
        WriteWav(first, 2);
        WriteWav(second, 3);
        TessavoxApp app;
        app.InitInstance(false);
        QVERIFY(app.AutoSaveOn());

        // A fresh song: the music chooser is the only one.
        answers.paths << first;
        ClickAddMusic(app);
        QCOMPARE(answers.choices.size(), size_t(1));
        QCOMPARE(answers.choices[0].title, QString("Select Music File"));
        QVERIFY(app.MusicLoaded());
        QVERIFY(app.Document().Modified());
        app.Document().Discard();

        // An opened project keeps its bytes until the user saves it.
        const QString project = SavedProject("relinked.tvx", first);
        const QByteArray before = Sha256(project);
        QVERIFY(app.OpenProject(project));
        answers.paths << second;
        ClickAddMusic(app);
        QCOMPARE(answers.choices.size(), size_t(2));
        QCOMPARE(Sha256(project), before);
        QVERIFY(app.Document().Modified());
        QCOMPARE(app.Song().musicPath, second.toStdString());
        QVERIFY(app.Song().musicDataBytes > 0);
        // The rebuilt view plays the new music, not the old: its length is the new one's.
        auto* time = app.Frame()->View()->findChild<QLabel*>("timeLabel");
        QVERIFY(time);
        QCOMPARE(time->text(), QString("0:00/0:03"));
        app.Document().Discard();
    }

    void settingsLandInTheIniFileAndTheWindowKeepsItsPlace()
    {
        Answers answers;
        {
            TessavoxApp app;
            app.InitInstance(false);
            // No placement saved: the first window, at 10,10, fits every view.
            QCOMPARE(app.Frame()->geometry(), app.Frame()->FirstWindowRect());
            QCOMPARE(app.Frame()->geometry().topLeft(), QPoint(10, 10));
            QCOMPARE(app.Frame()->minimumSize(), app.Frame()->ViewsNeed());
            QVERIFY(app.Frame()->minimumWidth() >= 470 && app.Frame()->minimumHeight() >= 488);
            QVERIFY(app.Frame()->geometry().width() >= app.Frame()->minimumWidth());
            QVERIFY(app.Frame()->geometry().height() >= app.Frame()->minimumHeight());
            app.Frame()->setGeometry(40, 50, 1000, 760);
            app.MusicFolder() = "/music";
            QVERIFY(app.CloseQuery());
        }
        QSettings ini(QSettings::IniFormat, QSettings::UserScope, "Kelvane", "Tessavox");
        QVERIFY(ini.fileName().endsWith("Kelvane/Tessavox.ini"));
        const QByteArray rect = ini.value("Settings/AppWindowRect").toByteArray();
        QCOMPARE(rect.size(), 16);
        QCOMPARE(qFromLittleEndian<qint32>(rect.constData() + 8), 1040);
        QCOMPARE(ini.value("Settings/AppWindowMaximized").toInt(), 0);
        QCOMPARE(ini.value("Settings/MusicPath").toString(), QString("/music"));
        QVERIFY(ini.contains("Settings/LyricsPath"));
        {
            TessavoxApp again;
            again.InitInstance(false);
            const QRect free = again.Frame()->screen()->availableGeometry();
            // The placement comes back as it was, unless the screen is smaller than it.
            if (free.contains(QRect(40, 50, 1000, 760))) QCOMPARE(again.Frame()->geometry(), QRect(40, 50, 1000, 760));
            QVERIFY(free.contains(again.Frame()->geometry()));
            QCOMPARE(again.MusicFolder(), QString("/music"));
            // One saved on a screen twice as large (or at half the scale) is made to fit.
            again.Settings().SetWindowRect(QRect(1500, 900, 3180, 1900));
        }
        TessavoxApp doubled;
        doubled.InitInstance(false);
        const QRect free = doubled.Frame()->screen()->availableGeometry();
        QVERIFY2(free.contains(doubled.Frame()->geometry()),
                 qPrintable(QString("%1 x %2 at %3, %4").arg(doubled.Frame()->width()).arg(doubled.Frame()->height())
                                .arg(doubled.Frame()->x()).arg(doubled.Frame()->y())));
        QCOMPARE(doubled.Frame()->size(), free.size());
    }
};

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
