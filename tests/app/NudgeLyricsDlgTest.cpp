// Adjust Lyrics: selecting words, moving their starts and ends, the loop around a word,
// auditioning and assigning singers.
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include "AppTestSupport.h"
#include "SettingsTestSupport.h"
#include "project/ProjectFile.h"
#include "app/MainWindow.h"
#include "app/TessavoxApp.h"
#include "app/CommandIds.h"
#include "app/dialogs/AdjustSettingsDialog.h"
#include "app/views/AdjustLyricsView.h"
#include "app/widgets/CWaveformStrip.h"
#include "app/widgets/CdgScreenWidget.h"
#include "audio/WavOutFile.h"
#include "project/KaraokeSong.h"
#include "support/ScopedTempFolder.h"
#include "timing/PlayClock.h"

class NudgeLyricsDlgTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // Words one second apart, each 0.5 s long, over a tone long enough for them.
    AdjustLyricsView* Open(TessavoxApp& app, const std::string& lyrics, int singers = 1, bool touching = false)
    {
        const QString wav = m_dir.filePath("tone.wav");
        WavOutFile out;
        if (!out.Create(wav.toStdString(), 44100, 16, 2)) return nullptr;
        out.Write(std::vector<int16_t>(44100 * 2 * 30, 500));
        out.Close();
        KaraokeSong song(m_dir.filePath("adjust.tvx").toStdString());
        song.settings.singerCount = singers;
        song.lyricText = lyrics;
        song.GenerateKaraokeLineList(true, false);
        uint32_t t = 44100;
        for (auto& w : song.words) {
            w->start = t;
            w->end = touching ? t + 44100 : t + 22050;
            t += 44100;
        }
        for (auto& l : song.lines) l->placed = 1;
        song.musicPath = wav.toStdString();
        SaveProject(song);
        app.InitInstance(true);
        if (!app.OpenProject(m_dir.filePath("adjust.tvx"))) return nullptr;
        app.RunCommand(CommandId::ModeAdjustLyrics);
        return qobject_cast<AdjustLyricsView*>(app.Frame()->View());
    }

private slots:
    // The rules of the moves and of the loop are the engine's (tests/timing/WordTimingTest):
    // here, which key makes which move on the selected word.
    void eachKeyMakesItsMoveOnTheSelectedWord()
    {
        ScopedTempFolder temp(m_dir.filePath("t1").toStdString());
        Answers answers;
        TessavoxApp app;
        AdjustLyricsView* view = Open(app, "one two three", 1, true);
        QVERIFY(view);
        auto& words = app.Song().words;
        QCOMPARE(view->SelectedWord(), 0);
        QCOMPARE(view->AmountSamples(), 8820u);
        QCOMPARE(app.Song().settings.adjustUsed, uint8_t(1));
        QVERIFY(!app.Document().Modified()); // opening sets the flag without marking a change

        view->SelectWord(1);
        QTest::keyClick(view, Qt::Key_Comma); // start earlier
        QCOMPARE(words[1]->start, 88200u - 8820);
        QCOMPARE(words[0]->end, 88200u - 8820); // the overlapping end is trimmed
        QVERIFY(app.Document().Modified());
        QTest::keyClick(view, Qt::Key_Period); // start later
        QCOMPARE(words[1]->start, 88200u);
        QTest::keyClick(view, Qt::Key_Comma, Qt::ControlModifier); // end earlier
        QCOMPARE(words[1]->end, 132300u - 8820);
        QTest::keyClick(view, Qt::Key_Period, Qt::ControlModifier); // end later
        QCOMPARE(words[1]->end, 132300u);
        // A held key moves once; without a selection nothing moves.
        QTest::keyPress(view, Qt::Key_Comma);
        QTest::keyPress(view, Qt::Key_Comma);
        QTest::keyRelease(view, Qt::Key_Comma);
        QCOMPARE(words[1]->start, 88200u - 8820);
        view->SelectAt(QPoint(1, view->findChild<CdgScreenWidget*>()->height() - 2), Qt::NoModifier);
        QCOMPARE(view->SelectedWord(), -1);
        QTest::keyClick(view, Qt::Key_Period);
        QCOMPARE(words[1]->start, 88200u - 8820);
    }

    void auditionStopsOnTheWordBeingSung()
    {
        ScopedTempFolder temp(m_dir.filePath("t3").toStdString());
        Answers answers;
        TessavoxApp app;
        // Where the music stops is what the test's clock says.
        ManualClock clock;
        app.SetClockForTesting(&clock);
        AdjustLyricsView* view = Open(app, "one two three four");
        QVERIFY(view);
        QTest::keyClick(view, Qt::Key_Space);
        QCOMPARE(view->Mode(), int(AdjustLyricsView::kAudition));
        QVERIFY(app.IsPlaying());
        QVERIFY(!view->ModeButton(0)->isEnabled());
        // Page keys and moves do nothing while auditioning.
        const uint32_t start = app.Song().words[0]->start;
        QTest::keyClick(view, Qt::Key_Comma);
        QCOMPARE(app.Song().words[0]->start, start);
        // Stopped inside the second word (2.0-2.5 s of the music, behind the stream's lead-in).
        clock.Set(view->StreamStart() + 2 * 44100 + 10000);
        QTest::keyClick(view, Qt::Key_Space);
        QCOMPARE(view->Mode(), int(AdjustLyricsView::kIdle));
        QVERIFY(!app.IsPlaying());
        QCOMPARE(view->SelectedWord(), 1);
    }

    void adjustPlayLoopsAndStops()
    {
        ScopedTempFolder temp(m_dir.filePath("t4").toStdString());
        Answers answers;
        TessavoxApp app;
        AdjustLyricsView* view = Open(app, "one two");
        QVERIFY(view);
        QTest::keyClick(view, Qt::Key_N);
        QCOMPARE(view->Mode(), int(AdjustLyricsView::kAdjust));
        QVERIFY(app.IsPlaying());
        // Moves work while looping.
        const uint32_t before = app.Song().words[0]->end;
        QTest::keyClick(view, Qt::Key_Comma, Qt::ControlModifier);
        QCOMPARE(app.Song().words[0]->end, before - 8820);
        QTest::keyClick(view, Qt::Key_N);
        QCOMPARE(view->Mode(), int(AdjustLyricsView::kIdle));
        QVERIFY(!app.IsPlaying());
    }

    void pagesClicksAndSingers()
    {
        ScopedTempFolder temp(m_dir.filePath("t5").toStdString());
        Answers answers;
        TessavoxApp app;
        AdjustLyricsView* view = Open(app, "a b\nc d\ne f\ng h\ni j", 2);
        QVERIFY(view);
        QVERIFY(!view->SingerGroup()->isHidden());
        QCOMPARE(view->PageLabel()->text(), QString("1 of 2"));
        QTest::keyClick(view, Qt::Key_PageDown);
        QCOMPARE(view->CurrentPage(), 1);
        QCOMPARE(view->SelectedWord(), 8);
        QTest::keyClick(view, Qt::Key_Left);
        QCOMPARE(view->SelectedWord(), 7);
        QCOMPARE(view->CurrentPage(), 0); // the page follows the word
        QTest::keyClick(view, Qt::Key_Right);
        QCOMPARE(view->CurrentPage(), 1);

        // A click on the first word of the page selects it; a click on nothing clears it.
        view->SelectWord(1);
        const MKaraokeWord& w = *app.Song().words[0];
        CdgScreenWidget* viewer = view->findChild<CdgScreenWidget*>();
        const QPoint at(((w.boxLeft + w.boxRight) / 2 + 6) * viewer->width() / 300 + 1,
                        ((w.boxTop + w.boxBottom) / 2 + 12) * viewer->height() / 216 + 1);
        view->SelectAt(at, Qt::NoModifier);
        QCOMPARE(view->SelectedWord(), 0);
        view->SelectAt(QPoint(1, viewer->height() - 2), Qt::ShiftModifier);
        QCOMPARE(view->SelectedWord(), 0);
        view->SelectAt(QPoint(1, viewer->height() - 2), Qt::NoModifier);
        QCOMPARE(view->SelectedWord(), -1);

        view->SelectWord(2);
        view->SingerButton(1)->click();
        QCOMPARE(app.Song().lines[1]->colour, 9);
        QVERIFY(view->SingerButton(1)->isChecked());
    }

    void soloSongsHideTheSingersAndTheAreaDialogSetsTheLoop()
    {
        ScopedTempFolder temp(m_dir.filePath("t6").toStdString());
        Answers answers;
        TessavoxApp app;
        AdjustLyricsView* view = Open(app, "a b c");
        QVERIFY(view);
        QVERIFY(view->SingerGroup()->isHidden());
        EditSong(app, [](KaraokeSong& song) { song.settings.loopBeforeUnit = 1; });
        OnNextModal<AdjustSettingsDialog>([](AdjustSettingsDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QString("Adjust Play Area Controls"));
            QCOMPARE(dialog.WordsField()->minimum(), 2);
            QCOMPARE(dialog.WordsField()->maximum(), 4);
            dialog.WordsField()->setValue(4);
            dialog.AmountField()->setValue(0.35);
            dialog.accept();
        });
        view->AdjustAreaButton()->click();
        // The dialog's choices are one step.
        QCOMPARE(app.Document().UndoName(), std::string("Adjust Area"));
        QCOMPARE(app.Song().settings.loopBeforeUnit, uint8_t(0));
        QCOMPARE(app.Song().settings.loopBefore, 4000);
        QCOMPARE(app.Song().settings.loopAfter, 4000);
        QCOMPARE(app.Song().settings.adjustAmount, 350);
    }

    // The drag's rules are the engine's (WordTiming's drags): here, that the strip's edges reach
    // them, that a drag turning round starts again from where it began, and that the whole
    // drag is one step.
    void aDragOfAnEdgeOnTheStripIsOneStepUnderTheMoveRules()
    {
        ScopedTempFolder temp(m_dir.filePath("t7").toStdString());
        Answers answers;
        TessavoxApp app;
        AdjustLyricsView* view = Open(app, "one two three"); // 1-1.5 s, 2-2.5 s, 3-3.5 s
        QVERIFY(view);
        CWaveformStrip* strip = view->Waveform();
        QVERIFY(strip && strip->isVisible());
        auto& words = app.Song().words;
        const int y = strip->height() - 4; // in the word band
        const int edge = strip->ColumnOf(words[1]->end);
        const int twoSeconds = strip->width() * 2000000 / int(strip->Span());
        auto move = [&](int x) {
            QMouseEvent event(QEvent::MouseMove, QPointF(x, y), strip->mapToGlobal(QPointF(x, y)), Qt::NoButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(strip, &event);
        };

        // The press on the second word's right edge selects it.
        QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(edge, y));
        QCOMPARE(view->SelectedWord(), 1);
        // Two seconds later: not past the next word's end less a packet, the shortest word;
        // the next word's start is pushed along.
        move(edge + twoSeconds);
        QCOMPARE(words[1]->end, 154350u - 147);
        QCOMPARE(words[2]->start, 154350u - 147);
        // Turned round, two seconds earlier: not before its own start and a packet; the
        // neighbour is back.
        move(edge - twoSeconds);
        QCOMPARE(words[1]->end, 88200u + 147);
        QCOMPARE(words[2]->start, 132300u);
        QCOMPARE(view->TimeLabel(1)->text(), QString("00:02.00"));
        QCOMPARE(view->TimeLabel(2)->text(), QString("00:00.00"));
        QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(edge - twoSeconds, y));
        QVERIFY(app.Document().CanUndo());
        QCOMPARE(app.Document().UndoName(), std::string("Drag End"));
        QVERIFY(app.Document().Modified());

        app.Undo();
        QCOMPARE(words[1]->end, 110250u);
        QVERIFY(!app.Document().CanUndo());
        QVERIFY(!app.Document().Modified());

        // Nothing is dragged while the song plays.
        view = qobject_cast<AdjustLyricsView*>(app.Frame()->View());
        strip = view->Waveform();
        QTest::keyClick(view, Qt::Key_Space);
        QCOMPARE(view->Mode(), int(AdjustLyricsView::kAudition));
        const int start = strip->ColumnOf(words[1]->start);
        QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(start, y));
        move(start + twoSeconds);
        QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(start + twoSeconds, y));
        QCOMPARE(words[1]->start, 88200u);
        QVERIFY(!app.Document().CanUndo());
        QTest::keyClick(view, Qt::Key_Space);
    }
};

QTEST_MAIN(NudgeLyricsDlgTest)
#include "NudgeLyricsDlgTest.moc"
