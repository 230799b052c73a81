// The Place Lyrics view: keys and latches, times from the audio clock at the moment of the
// key, pause and end, the end of the music, restart, tempo, duets, the preview and the shell's
// rules around the view. Music plays through the null output in real time.
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "AppTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CTessavoxApp.h"
#include "app/CommandIds.h"
#include "app/views/CPlaceLyricsDlg.h"
#include "app/widgets/MRwViewerWindow.h"
#include "audio/MCdgPlayer.h"
#include "cdg/CdgColour.h"
#include "cdg/PagePreview.h"
#include "player/MRwRenderer.h"
#include "project/ColourSlots.h"
#include "project/MSongSettings.h"
#include "support/ScopedTempFolder.h"

namespace {

constexpr double kFramesPerMs = 44.1;

MCdgPlayer& ThePlayer()
{
    return *GlobalPlayer();
}

// Presses (and releases) a key on the widget, as the keyboard would.
void Tap(QWidget* w, Qt::Key key)
{
    QTest::keyPress(w, key);
    QTest::keyRelease(w, key);
}

void AutoRepeat(QWidget* w, Qt::Key key, QEvent::Type type)
{
    QKeyEvent event(type, key, Qt::NoModifier, key == Qt::Key_Space ? QString(" ") : QString(), true);
    QApplication::sendEvent(w, &event);
}

} // namespace

class PlaceLyricsViewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // A song with music, in the Place Lyrics view.
    CPlaceLyricsDlg* Open(CTessavoxApp& app, Answers& answers, const std::string& lyrics, double musicSeconds,
                          int singers = 1)
    {
        app.InitInstance(true);
        app.Song().settings.singerCount = singers;
        app.Song().settings.linesPerPage = 4;
        app.Song().lyricText = lyrics;
        const QString wav = m_dir.filePath(QString("music%1.wav").arg(musicSeconds));
        if (!QFileInfo::exists(wav)) WriteToneWav(wav, musicSeconds);
        answers.paths << wav;
        if (!app.AddMusic()) return nullptr;
        app.RunCommand(CommandId::ModePlaceLyrics);
        return qobject_cast<CPlaceLyricsDlg*>(app.Frame()->View());
    }

    // Starts placing and waits until the music is heard.
    static bool StartAndListen(CPlaceLyricsDlg* view, uint32_t frames = 4410)
    {
        Tap(view->StartButton(), Qt::Key_Home);
        if (view->CurrentState() != CPlaceLyricsDlg::State::Placing) return false;
        QElapsedTimer waited;
        waited.start();
        while (ThePlayer().Position() < frames && waited.elapsed() < 5000) QTest::qWait(2);
        return ThePlayer().Position() >= frames;
    }

    // Presses Space and checks that the word's time is the clock between just before and just
    // after the press.
    static void PlaceChecked(CPlaceLyricsDlg* view, MKaraokeWord& word)
    {
        const uint32_t before = ThePlayer().PositionNow();
        QTest::keyPress(view->PlaceButton(), Qt::Key_Space);
        const uint32_t after = ThePlayer().PositionNow();
        QTest::keyRelease(view->PlaceButton(), Qt::Key_Space);
        QVERIFY2(word.start >= before && word.start <= after,
                 qPrintable(QString("start %1 not in [%2, %3]").arg(word.start).arg(before).arg(after)));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Kelvane", "Tessavox").clear();
    }

    void aHeldSpacePlacesOneWordAndEachWordStartsAtItsKey()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp1").toStdString());
        Answers answers;
        CTessavoxApp app;
        CPlaceLyricsDlg* view = Open(app, answers, "one two three four", 5);
        QVERIFY(view);
        QVERIFY(StartAndListen(view));
        MSongSettings& song = app.Song();
        QWidget* target = view->PlaceButton();

        const uint32_t before = ThePlayer().PositionNow();
        QTest::keyPress(target, Qt::Key_Space);
        const uint32_t after = ThePlayer().PositionNow();
        // Held down: the keyboard repeats (release and press pairs marked as repeats), and a
        // second press without a release reaches the view too.
        for (int i = 0; i < 5; ++i) {
            QTest::qWait(15);
            AutoRepeat(target, Qt::Key_Space, QEvent::KeyRelease);
            AutoRepeat(target, Qt::Key_Space, QEvent::KeyPress);
        }
        QTest::keyPress(target, Qt::Key_Space);
        QCOMPARE(view->Cursor(), size_t(1));
        QVERIFY(view->PlaceButton()->isDown());
        QVERIFY(song.words[0]->start >= before && song.words[0]->start <= after);
        QVERIFY(song.lines[0]->placed);
        QCOMPARE(view->OpenWord(), song.words[0].get());
        QTest::keyRelease(target, Qt::Key_Space);
        QVERIFY(!view->PlaceButton()->isDown());

        QTest::qWait(60);
        PlaceChecked(view, *song.words[1]);
        QCOMPARE(view->Cursor(), size_t(2));
        QCOMPARE(song.words[0]->end, song.words[1]->start);
        QVERIFY(song.IsModified());
        Tap(target, Qt::Key_End);
        song.SetModified(false);
    }

    void spaceCtrlSpaceLeavesAGapAndEndGivesTheOpenWordOneSecond()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp2").toStdString());
        Answers answers;
        CTessavoxApp app;
        CPlaceLyricsDlg* view = Open(app, answers, "one two three", 5);
        QVERIFY(view);
        QVERIFY(StartAndListen(view));
        MSongSettings& song = app.Song();

        PlaceChecked(view, *song.words[0]);
        QTest::qWait(80);
        const uint32_t beforeCtrl = ThePlayer().PositionNow();
        QTest::keyPress(view->PlaceButton(), Qt::Key_Control);
        const uint32_t afterCtrl = ThePlayer().PositionNow();
        QVERIFY(view->PauseButton()->isDown());
        QTest::keyRelease(view->PlaceButton(), Qt::Key_Control);
        QVERIFY(!view->PauseButton()->isDown());
        QVERIFY(song.words[0]->end >= beforeCtrl && song.words[0]->end <= afterCtrl);
        QCOMPARE(view->OpenWord(), nullptr);
        QTest::qWait(80);
        PlaceChecked(view, *song.words[1]);
        // The time between Ctrl and the second Space stays a gap.
        QVERIFY(song.words[1]->start - song.words[0]->end > uint32_t(50 * kFramesPerMs));

        Tap(view->PlaceButton(), Qt::Key_End);
        QCOMPARE(view->CurrentState(), CPlaceLyricsDlg::State::Finished);
        QCOMPARE(song.words[1]->end, song.words[1]->start + 44100);
        QCOMPARE(song.words[2]->start, 0u); // never reached
        QVERIFY(!ThePlayer().IsPlaying());
        QCOMPARE(view->StartButton()->text(), QString("Restart (Home)"));
        QVERIFY(view->StartButton()->hasFocus() || !app.Frame()->isVisible());
        song.SetModified(false);
    }

    void keysThatDoNotApplyAreSwallowedAndChangeNothing()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp3").toStdString());
        Answers answers;
        CTessavoxApp app;
        CPlaceLyricsDlg* view = Open(app, answers, "one two", 5);
        QVERIFY(view);
        MSongSettings& song = app.Song();
        song.SetModified(false); // the music made it modified
        QWidget* target = view->StartButton();
        // Ready: Space, Ctrl and End do nothing, and the focused button does not click either.
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Control, Qt::Key_End, Qt::Key_Return, Qt::Key_Escape}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(target, &press);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
            QApplication::sendEvent(target, &release);
        }
        QCOMPARE(view->CurrentState(), CPlaceLyricsDlg::State::Ready);
        QCOMPARE(view->Cursor(), size_t(0));
        QCOMPARE(song.words[0]->start, 0u);
        QVERIFY(!ThePlayer().IsPlaying());
        QVERIFY(!song.IsModified());

        // Placing: Home neither restarts the music nor moves the cursor.
        QVERIFY(StartAndListen(view, 8820));
        Tap(view->PlaceButton(), Qt::Key_Space);
        const uint32_t clock = ThePlayer().Position();
        Tap(view->PlaceButton(), Qt::Key_Home);
        QCOMPARE(view->CurrentState(), CPlaceLyricsDlg::State::Placing);
        QCOMPARE(view->Cursor(), size_t(1));
        QVERIFY(ThePlayer().Position() >= clock);
        // Other keys still reach the controls.
        QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
        QApplication::sendEvent(target, &other);
        Tap(view->PlaceButton(), Qt::Key_End);
        song.SetModified(false);
    }

    void theEndOfTheMusicFinishesPlacementWithinATenthOfASecond()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp4").toStdString());
        Answers answers;
        CTessavoxApp app;
        CPlaceLyricsDlg* view = Open(app, answers, "one two", 1);
        QVERIFY(view);
        QVERIFY(StartAndListen(view));
        MSongSettings& song = app.Song();
        Tap(view->PlaceButton(), Qt::Key_Space);
        QElapsedTimer clock;
        clock.start();
        qint64 ended = -1;
        while (clock.elapsed() < 5000 && view->CurrentState() == CPlaceLyricsDlg::State::Placing) {
            if (ended < 0 && !ThePlayer().IsPlaying()) ended = clock.elapsed();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        const qint64 finished = clock.elapsed();
        QCOMPARE(view->CurrentState(), CPlaceLyricsDlg::State::Finished);
        QVERIFY(ended >= 0);
        qInfo("placement finished %lld ms after the music ended", finished - ended);
        QVERIFY2(finished - ended <= 100, qPrintable(QString("%1 ms").arg(finished - ended)));
        QCOMPARE(song.words[0]->end, song.words[0]->start + 44100);
        QVERIFY(view->StartButton()->isEnabled());
        song.SetModified(false);
    }

    void restartKeepsTheTimesOfWordsItDoesNotReach()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp5").toStdString());
        Answers answers;
        CTessavoxApp app;
        CPlaceLyricsDlg* view = Open(app, answers, "a b c d e f", 5);
        QVERIFY(view);
        MSongSettings& song = app.Song();
        QVERIFY(StartAndListen(view));
        for (int i = 0; i < 6; ++i) {
            Tap(view->PlaceButton(), Qt::Key_Space);
            QTest::qWait(30);
        }
        Tap(view->PlaceButton(), Qt::Key_End);
        std::vector<std::pair<uint32_t, uint32_t>> first;
        for (auto& w : song.words) first.emplace_back(w->start, w->end);
        QVERIFY(first[5].first > first[4].first);

        // The second run stops after three words: the last three keep the first run's times.
        QVERIFY(StartAndListen(view));
        QCOMPARE(view->Cursor(), size_t(0));
        for (int i = 0; i < 3; ++i) Tap(view->PlaceButton(), Qt::Key_Space);
        Tap(view->PlaceButton(), Qt::Key_End);
        for (size_t i = 3; i < 6; ++i) {
            QCOMPARE(song.words[i]->start, first[i].first);
            QCOMPARE(song.words[i]->end, first[i].second);
        }
        QVERIFY(song.words[0]->start != first[0].first);
        song.SetModified(false);
    }

    void tempoIsSetOnlyWhenNotPlacingAndTimesStayInMusicTime()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp6").toStdString());
        Answers answers;
        CTessavoxApp app;
        CPlaceLyricsDlg* view = Open(app, answers, "slow words here", 5);
        QVERIFY(view);
        auto* field = view->findChild<QLineEdit*>("tempo");
        auto* up = view->findChild<QToolButton*>("tempoUp");
        auto* down = view->findChild<QToolButton*>("tempoDown");
        QCOMPARE(view->Tempo(), 100);
        QCOMPARE(field->text(), QString("100%"));
        QVERIFY(!up->isEnabled());
        QVERIFY(!view->TempoStep(21));
        for (int i = 0; i < 6; ++i) down->click();
        QCOMPARE(view->Tempo(), 70);
        QCOMPARE(field->text(), QString("70%"));
        QCOMPARE(ThePlayer().TempoChange(), -30);
        QVERIFY(view->TempoStep(10));
        QVERIFY(!view->TempoStep(9));
        QCOMPARE(view->Tempo(), 50);
        QVERIFY(!down->isEnabled());
        QVERIFY(view->TempoStep(14));

        QElapsedTimer wall;
        Tap(view->StartButton(), Qt::Key_Home);
        wall.start();
        QVERIFY(!view->TempoStep(20));
        QVERIFY(!up->isEnabled() && !down->isEnabled() && !field->isEnabled());
        QTest::qWait(900);
        Tap(view->PlaceButton(), Qt::Key_Space);
        const double heardMs = double(wall.elapsed());
        const double musicMs = double(app.Song().words[0]->start) / kFramesPerMs;
        qInfo("at 70%%: %.0f ms of music after %.0f ms", musicMs, heardMs);
        // Music time runs at 70 % of the wall clock (the start-up of the output is the slack).
        QVERIFY2(musicMs > 0.7 * heardMs - 80 && musicMs < 0.7 * heardMs + 10,
                 qPrintable(QString("%1 ms of music").arg(musicMs)));
        Tap(view->PlaceButton(), Qt::Key_End);
        QCOMPARE(view->Tempo(), 70);
        QVERIFY(up->isEnabled());

        // Leaving the view puts the player back to normal speed.
        app.Song().SetModified(false);
        app.SwitchView(ViewId::EditLyrics);
        QVERIFY(GlobalPlayer() == nullptr || GlobalPlayer()->TempoChange() == 0);
    }

    void fastTappingPlacesEveryPressOnItsOwnTime()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp7").toStdString());
        Answers answers;
        CTessavoxApp app;
        std::string lyrics;
        for (int line = 0; line < 6; ++line) lyrics += "la la la\n";
        CPlaceLyricsDlg* view = Open(app, answers, lyrics, 5);
        QVERIFY(view);
        app.Frame()->resize(800, 600);
        QVERIFY(QTest::qWaitForWindowExposed(app.Frame()));
        QTRY_VERIFY(view->Viewer()->width() > 500);
        QVERIFY(StartAndListen(view));
        MSongSettings& song = app.Song();
        // Eight presses a second for two seconds; each press is timed on its own clock reading.
        QElapsedTimer handling;
        qint64 slowestNs = 0;
        uint32_t latestStamp = 0; // clock frames from sending the key to the view's reading
        for (size_t i = 0; i < 16; ++i) {
            const uint32_t before = ThePlayer().PositionNow();
            handling.start();
            QTest::keyPress(view->PlaceButton(), Qt::Key_Space);
            slowestNs = std::max(slowestNs, handling.nsecsElapsed());
            const uint32_t after = ThePlayer().PositionNow();
            QTest::keyRelease(view->PlaceButton(), Qt::Key_Space);
            QVERIFY(song.words[i]->start >= before && song.words[i]->start <= after);
            latestStamp = std::max(latestStamp, song.words[i]->start - before);
            QTest::qWait(125);
        }
        QCOMPARE(view->Cursor(), size_t(16));
        for (size_t i = 1; i < 16; ++i) {
            const double gapMs = double(song.words[i]->start - song.words[i - 1]->start) / kFramesPerMs;
            QVERIFY2(gapMs > 110 && gapMs < 250, qPrintable(QString("gap %1: %2 ms").arg(i).arg(gapMs)));
        }
        qInfo("slowest press handled in %.2f ms; clock read at most %.2f ms after the key was sent",
              double(slowestNs) / 1e6, double(latestStamp) / kFramesPerMs);
        // Crossing to the second page on the way drew it.
        QCOMPARE(view->PreviewPage(), 1);
        Tap(view->PlaceButton(), Qt::Key_End);
        song.SetModified(false);
    }

    void theNextWordIsUnderlinedAndPlacedWordsShowSwept()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp8").toStdString());
        Answers answers;
        CTessavoxApp app;
        CPlaceLyricsDlg* view = Open(app, answers, "Hello world\nsecond line", 5);
        QVERIFY(view);
        MSongSettings& song = app.Song();
        MRwRenderer plain;
        DrawLyricPagePreview(plain, song, 0);
        const int sweep = song.settings.sweepColour & 0x0F;
        QVERIFY(sweep != kSlotText);

        // What differs from the plain page: the underline, in the text colour, under the first word.
        auto differences = [&](int& minX, int& maxX, int colour) {
            int n = 0;
            minX = 1000;
            maxX = -1;
            for (int y = 0; y < kCdgScreenHeight; ++y)
                for (int x = 0; x < kCdgScreenWidth; ++x)
                    if (view->Renderer()->Pixel(x, y) != plain.Pixel(x, y) && view->Renderer()->Pixel(x, y) == colour) {
                        ++n;
                        minX = std::min(minX, x);
                        maxX = std::max(maxX, x);
                    }
            return n;
        };
        int underlineFrom = 0, underlineTo = 0;
        QVERIFY(differences(underlineFrom, underlineTo, kSlotText) > 10);
        int sweptFrom = 0, sweptTo = 0;
        QCOMPARE(differences(sweptFrom, sweptTo, sweep), 0);

        QVERIFY(StartAndListen(view));
        Tap(view->PlaceButton(), Qt::Key_Space);
        // "Hello" is swept where it was underlined; the underline has moved on to "world".
        QVERIFY(differences(sweptFrom, sweptTo, sweep) > 10);
        QVERIFY(sweptFrom >= underlineFrom - 2 && sweptTo <= underlineTo + 2);
        int nextFrom = 0, nextTo = 0;
        QVERIFY(differences(nextFrom, nextTo, kSlotText) > 10);
        QVERIFY(nextFrom > sweptTo);
        // The screen shows it too.
        const uint32_t rgb = view->Renderer()->Colour(sweep);
        auto screenShowsSweep = [&] {
            const QImage picture = view->Viewer()->Picture();
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    if (QColor(picture.pixel(x, y)) == QColor(ColourRed(rgb), ColourGreen(rgb), ColourBlue(rgb)))
                        return true;
            return false;
        };
        QTRY_VERIFY(screenShowsSweep());
        Tap(view->PlaceButton(), Qt::Key_End);
        song.SetModified(false);
    }

    void aDuetLineOfTheSecondSingerIsSkippedAndSharesTheLineBefore()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp9").toStdString());
        const std::string lyrics = "a b\n&c d e\nf g";
        {
            Answers answers;
            CTessavoxApp app;
            CPlaceLyricsDlg* view = Open(app, answers, lyrics, 5, 2);
            QVERIFY(view);
            MSongSettings& song = app.Song();
            QVERIFY(song.lines[1]->secondSinger);
            QVERIFY(StartAndListen(view));
            for (int i = 0; i < 4; ++i) {
                Tap(view->PlaceButton(), Qt::Key_Space);
                QTest::qWait(40);
            }
            // a, b, then f and g: the line of c d e was stepped over.
            QCOMPARE(view->Cursor(), size_t(7));
            QVERIFY(song.lines[1]->placed);
            QCOMPARE(song.words[2]->start, 0u);
            Tap(view->PlaceButton(), Qt::Key_End);
            const int64_t a = song.words[0]->start, b = song.words[1]->end;
            QCOMPARE(int64_t(song.words[1]->end), int64_t(song.words[5]->start));
            QCOMPARE(song.lines[1]->drawTime, int32_t(a));
            for (int64_t k = 0; k < 3; ++k) {
                QCOMPARE(int64_t(song.words[size_t(2 + k)]->start), a + k * (b - a) / 3);
                QCOMPARE(int64_t(song.words[size_t(2 + k)]->end), a + (k + 1) * (b - a) / 3);
            }
            song.SetModified(false);
        }
        {
            // Solo: the "&" line is an ordinary line, placed word by word.
            Answers answers;
            CTessavoxApp app;
            CPlaceLyricsDlg* view = Open(app, answers, lyrics, 5, 1);
            QVERIFY(view);
            MSongSettings& song = app.Song();
            QVERIFY(!song.lines[1]->secondSinger);
            QVERIFY(StartAndListen(view));
            for (int i = 0; i < 3; ++i) Tap(view->PlaceButton(), Qt::Key_Space);
            QCOMPARE(view->Cursor(), size_t(3));
            QVERIFY(song.words[2]->start > song.words[1]->start);
            Tap(view->PlaceButton(), Qt::Key_End);
            song.SetModified(false);
        }
    }

    void theButtonsFollowTheStateTableAndTheShellAsksBeforeOverwriting()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp10").toStdString());
        Answers answers;
        CTessavoxApp app;
        CPlaceLyricsDlg* view = Open(app, answers, "one two", 5);
        QVERIFY(view);
        QVERIFY(!answers.Asked("Confirm Overwriting Placed Lyrics")); // nothing placed yet
        auto mode = [&](int i) { return view->ModeButton(i)->isEnabled(); };
        QVERIFY(view->StartButton()->isEnabled());
        QVERIFY(!view->PlaceButton()->isEnabled() && !view->PauseButton()->isEnabled() &&
                !view->StopButton()->isEnabled());
        QVERIFY(mode(0) && mode(1) && !mode(2) && !mode(3) && mode(4));
        QCOMPARE(view->StartButton()->text(), QString("Start (Home)"));
        QVERIFY(CViewBase::HasGreenFace(view->ModeButton(1)));

        QVERIFY(StartAndListen(view));
        QVERIFY(!view->StartButton()->isEnabled());
        QVERIFY(view->PlaceButton()->isEnabled() && view->PauseButton()->isEnabled() &&
                view->StopButton()->isEnabled());
        QVERIFY(!mode(0) && mode(1) && !mode(2) && !mode(3) && !mode(4));
        app.Frame()->UpdateCommandStates(); // the shell's periodic refresh agrees
        QVERIFY(!mode(0) && !mode(4));
        Tap(view->PlaceButton(), Qt::Key_Space);
        Tap(view->PlaceButton(), Qt::Key_End);
        // Finished with placed words: every mode is open.
        QVERIFY(mode(0) && mode(1) && mode(2) && mode(3) && mode(4));
        QVERIFY(app.SomeLyricsPlaced());

        // Place Lyrics again asks first; No stays, Yes opens a fresh view.
        app.Song().SetModified(false);
        app.SwitchView(ViewId::EditLyrics);
        answers.answers = {PromptAnswer::No};
        app.RunCommand(CommandId::ModePlaceLyrics);
        QCOMPARE(answers.Count("Confirm Overwriting Placed Lyrics"), size_t(1));
        const auto& box = answers.boxes.back();
        QCOMPARE(box.text, std::string("Warning! You have already placed some lyrics.\nClick \"Yes\" to redo the "
                                       "lyrics from the start.\nClick \"No\" to cancel this operation."));
        QCOMPARE(box.icon, PromptIcon::Warning);
        QCOMPARE(app.CurrentView(), ViewId::EditLyrics);
        answers.answers = {PromptAnswer::Yes};
        app.RunCommand(CommandId::ModePlaceLyrics);
        QCOMPARE(app.CurrentView(), ViewId::PlaceLyrics);

        // Back to Edit Lyrics: the notice comes first.
        QCOMPARE(answers.notices, 0);
        app.RunCommand(CommandId::ModeEditLyrics);
        QCOMPARE(answers.notices, 1);
        QCOMPARE(app.CurrentView(), ViewId::EditLyrics);
        // Adjust Lyrics and Play Final open their (placeholder) views.
        app.RunCommand(CommandId::ModeAdjustLyrics);
        QCOMPARE(app.CurrentView(), ViewId::AdjustLyrics);
        app.RunCommand(CommandId::ModePlayFinal);
        QCOMPARE(app.CurrentView(), ViewId::PlayFinal);
        app.Song().SetModified(false);
    }
};

QTEST_MAIN(PlaceLyricsViewTest)
#include "PlaceLyricsViewTest.moc"
