// The Place Lyrics view: keys and latches, times from the audio clock at the moment of the
// key, pause and end, the end of the music, restart, tempo, duets, the preview and the shell's
// rules around the view. The music is heard only as far as the test steps it, and the view
// reads a clock the test sets, so every press lands exactly where the test put it however busy
// the machine is (the test of the music's end reads the player's own clock). Lines Only, taps
// snapped to a vocal track and the Auto-Time they lead to are here too.
#include <algorithm>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QCheckBox>
#include <QStatusBar>
#include <atomic>
#include <chrono>
#include <thread>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "AppTestSupport.h"
#include "app/AppSettings.h"
#include "app/AutoTimeCommand.h"
#include "app/BackgroundWork.h"
#include "app/MainWindow.h"
#include "app/dialogs/ProgressDialog.h"
#include "audio/WavOutFile.h"
#include "document/AutoTiming.h"
#include "document/SongDocument.h"
#include "app/TessavoxApp.h"
#include "app/CommandIds.h"
#include "app/views/PlaceLyricsView.h"
#include "app/widgets/CdgScreenWidget.h"
#include "cdg/CdgColour.h"
#include "player/KaraokePlayer.h"
#include "player/CdgScreen.h"
#include "player/PagePreview.h"
#include "project/ColourSlots.h"
#include "project/KaraokeSong.h"
#include "support/ScopedTempFolder.h"
#include "support/SteppedPlayback.h"
#include "timing/PlayClock.h"

namespace {

KaraokePlayer& ThePlayer()
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

std::vector<uint32_t> Starts(const KaraokeSong& song)
{
    std::vector<uint32_t> starts;
    for (const auto& w : song.words) starts.push_back(w->start);
    return starts;
}

// A vocal track of tone bursts, each starting at one of the given samples and lasting 0.4 s.
bool WriteBurstsWav(const QString& path, const std::vector<uint32_t>& starts, double seconds)
{
    std::vector<int16_t> samples(size_t(seconds * 44100), 0);
    for (uint32_t at : starts)
        for (size_t i = at; i < std::min(samples.size(), size_t(at) + 17640); ++i)
            samples[i] = int16_t(8000 * std::sin(2 * M_PI * 330 * double(i - at) / 44100));
    WavOutFile wav;
    return wav.Create(path.toStdString(), 44100, 16, 1) && wav.Write(samples) && wav.Close();
}

// Runs command with the worker held at the timing's first progress report until act, called on
// the window thread with the progress box up, says to go on: what the user does while it runs
// happens at a known point of the work, however busy the machine is.
void WhileFirstReportHeld(TessavoxApp& app, const std::function<bool(ProgressDialog&)>& act, int command)
{
    std::atomic<bool> held{false}, released{false};
    BackgroundWork::SetProgressObserverForTesting([&](int) {
        if (held.exchange(true)) return;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!released.load() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    QTimer turn;
    QObject::connect(&turn, &QTimer::timeout, [&] {
        if (!held.load() || released.load()) return;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<ProgressDialog*>(w); progress && progress->isVisible() && act(*progress))
                released = true;
    });
    turn.start(2);
    app.RunCommand(command);
    turn.stop();
    released = true;
    BackgroundWork::SetProgressObserverForTesting({});
}

} // namespace

class PlaceLyricsViewTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    ManualClock m_clock;
    SteppedPlayback m_playback;

    // A song with music, in the Place Lyrics view, on the test's clock unless told otherwise.
    PlaceLyricsView* Open(TessavoxApp& app, Answers& answers, const std::string& lyrics, double musicSeconds,
                          int singers = 1, bool playerClock = false)
    {
        m_clock.Set(44100);
        m_clock.SetRunning(true);
        if (!playerClock) app.SetClockForTesting(&m_clock);
        app.InitInstance(true);
        EditSong(app, [&](KaraokeSong& song) {
            song.settings.singerCount = singers;
            song.settings.linesPerPage = 4;
            song.lyricText = lyrics;
        });
        const QString wav = m_dir.filePath(QString("music%1.wav").arg(musicSeconds));
        if (!QFileInfo::exists(wav)) WriteToneWav(wav, musicSeconds);
        answers.paths << wav;
        if (!app.AddMusic()) return nullptr;
        app.RunCommand(CommandId::ModePlaceLyrics);
        // The view plays through the program's one player; its music is heard as the test steps.
        KaraokePlayer* player = GlobalPlayer();
        if (player == nullptr) player = &CreateGlobalPlayer(nullptr, nullptr);
        player->SetOutputFactory(m_playback.Factory());
        return qobject_cast<PlaceLyricsView*>(app.Frame()->View());
    }

    // Starts placing and plays the first frames of the music.
    bool StartAndListen(PlaceLyricsView* view, uint32_t frames = 4410)
    {
        Tap(view->StartButton(), Qt::Key_Home);
        if (view->CurrentState() != PlaceLyricsView::State::Placing) return false;
        m_playback.Play(ThePlayer(), frames);
        // What the window would have done while the music played (showing, focus).
        QCoreApplication::processEvents();
        return ThePlayer().Position() == frames;
    }

    // Presses Space with the clock at `at` and checks that the word starts there.
    void PlaceChecked(PlaceLyricsView* view, const MKaraokeWord& word, uint32_t at)
    {
        m_clock.Set(at);
        QTest::keyPress(view->PlaceButton(), Qt::Key_Space);
        QTest::keyRelease(view->PlaceButton(), Qt::Key_Space);
        QCOMPARE(word.start, at);
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
        TessavoxApp app;
        PlaceLyricsView* view = Open(app, answers, "one two three four", 5);
        QVERIFY(view);
        QVERIFY(StartAndListen(view));
        const KaraokeSong& song = app.Song();
        QWidget* target = view->PlaceButton();

        m_clock.Set(10000);
        QTest::keyPress(target, Qt::Key_Space);
        m_clock.Set(20000);
        // Held down: the keyboard repeats (release and press pairs marked as repeats), and a
        // second press without a release reaches the view too.
        for (int i = 0; i < 5; ++i) {
            AutoRepeat(target, Qt::Key_Space, QEvent::KeyRelease);
            AutoRepeat(target, Qt::Key_Space, QEvent::KeyPress);
        }
        QTest::keyPress(target, Qt::Key_Space);
        QCOMPARE(view->Cursor(), size_t(1));
        QVERIFY(view->PlaceButton()->isDown());
        QCOMPARE(song.words[0]->start, 10000u);
        QVERIFY(song.lines[0]->placed);
        QCOMPARE(view->OpenWord(), song.words[0].get());
        QTest::keyRelease(target, Qt::Key_Space);
        QVERIFY(!view->PlaceButton()->isDown());

        PlaceChecked(view, *song.words[1], 30000);
        QCOMPARE(view->Cursor(), size_t(2));
        QCOMPARE(song.words[0]->end, song.words[1]->start);
        // The pass is one step, recorded at End (the last one is the set-up's).
        QCOMPARE(app.Document().UndoName(), std::string("Typing"));
        Tap(target, Qt::Key_End);
        QCOMPARE(app.Document().UndoName(), std::string("Place Lyrics"));
        QVERIFY(app.Document().Modified());
        app.Document().Discard();
    }

    void spaceCtrlSpaceLeavesAGapAndEndGivesTheOpenWordOneSecond()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp2").toStdString());
        Answers answers;
        TessavoxApp app;
        PlaceLyricsView* view = Open(app, answers, "one two three", 5);
        QVERIFY(view);
        QVERIFY(StartAndListen(view));
        const KaraokeSong& song = app.Song();

        PlaceChecked(view, *song.words[0], 4410);
        m_clock.Set(8000);
        QTest::keyPress(view->PlaceButton(), Qt::Key_Control);
        QVERIFY(view->PauseButton()->isDown());
        QTest::keyRelease(view->PlaceButton(), Qt::Key_Control);
        QVERIFY(!view->PauseButton()->isDown());
        QCOMPARE(song.words[0]->end, 8000u);
        QCOMPARE(view->OpenWord(), nullptr);
        PlaceChecked(view, *song.words[1], 12000);
        // The time between Ctrl and the second Space stays a gap.
        QCOMPARE(song.words[0]->end, 8000u);

        Tap(view->PlaceButton(), Qt::Key_End);
        QCOMPARE(view->CurrentState(), PlaceLyricsView::State::Finished);
        QCOMPARE(song.words[1]->end, song.words[1]->start + 44100);
        QCOMPARE(song.words[2]->start, 0u); // never reached
        QVERIFY(!ThePlayer().IsPlaying());
        QCOMPARE(view->StartButton()->text(), QString("Restart (Home)"));
        QVERIFY(view->StartButton()->hasFocus() || !app.Frame()->isVisible());
        app.Document().Discard();
    }

    void keysThatDoNotApplyAreSwallowedAndChangeNothing()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp3").toStdString());
        Answers answers;
        TessavoxApp app;
        PlaceLyricsView* view = Open(app, answers, "one two", 5);
        QVERIFY(view);
        const KaraokeSong& song = app.Song();
        app.Document().Discard(); // the music made it modified
        QWidget* target = view->StartButton();
        // Ready: Space, Ctrl and End do nothing, and the focused button does not click either.
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Control, Qt::Key_End, Qt::Key_Return, Qt::Key_Escape}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(target, &press);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
            QApplication::sendEvent(target, &release);
        }
        QCOMPARE(view->CurrentState(), PlaceLyricsView::State::Ready);
        QCOMPARE(view->Cursor(), size_t(0));
        QCOMPARE(song.words[0]->start, 0u);
        QVERIFY(!ThePlayer().IsPlaying());
        QVERIFY(!app.Document().Modified());

        // Placing: Home neither restarts the music nor moves the cursor.
        QVERIFY(StartAndListen(view, 8820));
        Tap(view->PlaceButton(), Qt::Key_Space);
        const uint32_t clock = ThePlayer().Position();
        Tap(view->PlaceButton(), Qt::Key_Home);
        QCOMPARE(view->CurrentState(), PlaceLyricsView::State::Placing);
        QCOMPARE(view->Cursor(), size_t(1));
        QVERIFY(ThePlayer().Position() >= clock);
        // Other keys still reach the controls.
        QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
        QApplication::sendEvent(target, &other);
        Tap(view->PlaceButton(), Qt::Key_End);
        app.Document().Discard();
    }

    void theEndOfTheMusicFinishesPlacementAtTheViewsNextTick()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp4").toStdString());
        Answers answers;
        TessavoxApp app;
        PlaceLyricsView* view = Open(app, answers, "one two", 1, 1, true);
        QVERIFY(view);
        QVERIFY(StartAndListen(view));
        const KaraokeSong& song = app.Song();
        Tap(view->PlaceButton(), Qt::Key_Space);
        QCOMPARE(song.words[0]->start, 4410u); // the player's clock: the music heard so far
        QTimer* timer = nullptr;
        for (QTimer* t : view->findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly))
            if (t->interval() == PlaceLyricsView::kTimerMs && t->isActive()) timer = t;
        QVERIFY(timer);
        m_playback.Play(ThePlayer(), 22050);
        QCOMPARE(view->CurrentState(), PlaceLyricsView::State::Placing);
        // The music runs to its end (one second) rather than being stopped early...
        m_playback.PlayToEnd(ThePlayer());
        QCOMPARE(ThePlayer().Position(), 44100u);
        // (Joining the player's threads makes sure the end they signal is there to be seen.)
        ThePlayer().Stop();
        // ...and the view's first tick after it finishes placement (a tick is 50 ms).
        QSignalSpy ticks(timer, &QTimer::timeout);
        QTRY_COMPARE(view->CurrentState(), PlaceLyricsView::State::Finished);
        QCOMPARE(ticks.count(), 1);
        QCOMPARE(song.words[0]->end, song.words[0]->start + 44100);
        QVERIFY(view->StartButton()->isEnabled());
        app.Document().Discard();
    }

    void restartKeepsTheTimesOfWordsItDoesNotReach()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp5").toStdString());
        Answers answers;
        TessavoxApp app;
        PlaceLyricsView* view = Open(app, answers, "a b c d e f", 5);
        QVERIFY(view);
        const KaraokeSong& song = app.Song();
        QVERIFY(StartAndListen(view));
        for (uint32_t i = 0; i < 6; ++i) PlaceChecked(view, *song.words[i], 1000 * (i + 1));
        Tap(view->PlaceButton(), Qt::Key_End);
        QCOMPARE(song.words[5]->end, 6000u + 44100);

        // The second run stops after three words: the last three keep the first run's times.
        QVERIFY(StartAndListen(view));
        QCOMPARE(view->Cursor(), size_t(0));
        for (uint32_t i = 0; i < 3; ++i) PlaceChecked(view, *song.words[i], 50000 + 1000 * i);
        Tap(view->PlaceButton(), Qt::Key_End);
        QCOMPARE(song.words[2]->end, 52000u + 44100);
        for (uint32_t i = 3; i < 6; ++i) {
            QCOMPARE(song.words[i]->start, 1000 * (i + 1));
            QCOMPARE(song.words[i]->end, i == 5 ? 6000u + 44100 : 1000 * (i + 2));
        }
        app.Document().Discard();
    }

    void tempoIsSetOnlyWhenNotPlacingAndTimesStayInMusicTime()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp6").toStdString());
        Answers answers;
        TessavoxApp app;
        PlaceLyricsView* view = Open(app, answers, "slow words here", 5);
        QVERIFY(view);
        auto* field = view->findChild<QLineEdit*>("tempo");
        auto* up = view->findChild<QToolButton*>("tempoUp");
        auto* down = view->findChild<QToolButton*>("tempoDown");
        QCOMPARE(view->Tempo(), 100);
        QCOMPARE(field->text(), QString("100%"));
        QVERIFY(!up->isEnabled());
        QVERIFY(!view->TempoStep(21));
        // By keys alone: "-" and "+" anywhere in the view, arrows and page keys on the tempo.
        Tap(view->StartButton(), Qt::Key_Minus);
        Tap(view->StartButton(), Qt::Key_Minus);
        QCOMPARE(view->Tempo(), 90);
        Tap(view->StartButton(), Qt::Key_Plus);
        QCOMPARE(view->Tempo(), 95);
        field->setFocus();
        Tap(field, Qt::Key_PageDown);
        QCOMPARE(view->Tempo(), 70);
        Tap(field, Qt::Key_Down);
        Tap(field, Qt::Key_Up);
        QCOMPARE(view->Tempo(), 70);
        QCOMPARE(field->text(), QString("70%"));
        QCOMPARE(ThePlayer().TempoChange(), -30);
        QVERIFY(view->TempoStep(10));
        QVERIFY(!view->TempoStep(9));
        QCOMPARE(view->Tempo(), 50);
        QVERIFY(!down->isEnabled());
        QVERIFY(view->TempoStep(14));

        Tap(view->StartButton(), Qt::Key_Home);
        QCOMPARE(view->CurrentState(), PlaceLyricsView::State::Placing);
        QVERIFY(!view->TempoStep(20));
        Tap(view->PlaceButton(), Qt::Key_Plus);
        QVERIFY(!up->isEnabled() && !down->isEnabled() && !field->isEnabled());
        QCOMPARE(ThePlayer().TempoChange(), -30);
        // The clock counts music, whatever the tempo (the player's clock rule): the word starts
        // at the music's moment, not at the wall clock's.
        PlaceChecked(view, *app.Song().words[0], 30870);
        Tap(view->PlaceButton(), Qt::Key_End);
        QCOMPARE(view->Tempo(), 70);
        QVERIFY(up->isEnabled());

        // Leaving the view puts the player back to normal speed.
        app.Document().Discard();
        app.SwitchView(ViewId::EditLyrics);
        QVERIFY(GlobalPlayer() == nullptr || GlobalPlayer()->TempoChange() == 0);
    }

    void fastTappingPlacesEveryPressOnItsOwnTime()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp7").toStdString());
        Answers answers;
        TessavoxApp app;
        std::string lyrics;
        for (int line = 0; line < 6; ++line) lyrics += "la la la\n";
        PlaceLyricsView* view = Open(app, answers, lyrics, 5);
        QVERIFY(view);
        app.Frame()->resize(800, 600);
        QVERIFY(QTest::qWaitForWindowExposed(app.Frame()));
        QTRY_VERIFY(view->Viewer()->width() > 500);
        QVERIFY(StartAndListen(view));
        const KaraokeSong& song = app.Song();
        // Eight presses a second for two seconds, each on the clock's own reading.
        const uint32_t eighth = 44100 / 8;
        QElapsedTimer handling;
        qint64 slowestNs = 0;
        for (uint32_t i = 0; i < 16; ++i) {
            handling.start();
            PlaceChecked(view, *song.words[i], eighth * (i + 1));
            slowestNs = std::max(slowestNs, handling.nsecsElapsed());
            if (i > 0) QCOMPARE(song.words[i - 1]->end, song.words[i]->start);
        }
        QCOMPARE(view->Cursor(), size_t(16));
        qInfo("slowest press handled in %.2f ms", double(slowestNs) / 1e6);
        // Crossing to the second page on the way drew it.
        QCOMPARE(view->PreviewPage(), 1);
        Tap(view->PlaceButton(), Qt::Key_End);
        app.Document().Discard();
    }

    void theNextWordIsUnderlinedAndPlacedWordsShowSwept()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp8").toStdString());
        Answers answers;
        TessavoxApp app;
        PlaceLyricsView* view = Open(app, answers, "Hello world\nsecond line", 5);
        QVERIFY(view);
        const KaraokeSong& song = app.Song();
        CdgScreen plain;
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
        app.Document().Discard();
    }

    void aDuetLineOfTheSecondSingerIsSkippedAndSharesTheLineBefore()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp9").toStdString());
        const std::string lyrics = "a b\n&c d e\nf g";
        {
            Answers answers;
            TessavoxApp app;
            PlaceLyricsView* view = Open(app, answers, lyrics, 5, 2);
            QVERIFY(view);
            const KaraokeSong& song = app.Song();
            QVERIFY(song.lines[1]->secondSinger);
            QVERIFY(StartAndListen(view));
            for (uint32_t t : {1000u, 2000u, 3000u, 4000u}) {
                m_clock.Set(t);
                Tap(view->PlaceButton(), Qt::Key_Space);
            }
            // a, b, then f and g: the line of c d e was stepped over.
            QCOMPARE(view->Cursor(), size_t(7));
            QVERIFY(song.lines[1]->placed);
            QCOMPARE(song.words[2]->start, 0u);
            Tap(view->PlaceButton(), Qt::Key_End);
            // The line before spans 1000 to 3000 (b ends where f starts); c, d and e share it.
            QCOMPARE(song.lines[1]->drawTime, 1000);
            const uint32_t shares[4] = {1000, 1666, 2333, 3000};
            for (size_t k = 0; k < 3; ++k) {
                QCOMPARE(song.words[2 + k]->start, shares[k]);
                QCOMPARE(song.words[2 + k]->end, shares[k + 1]);
            }
            app.Document().Discard();
        }
        {
            // Solo: the "&" line is an ordinary line, placed word by word.
            Answers answers;
            TessavoxApp app;
            PlaceLyricsView* view = Open(app, answers, lyrics, 5, 1);
            QVERIFY(view);
            const KaraokeSong& song = app.Song();
            QVERIFY(!song.lines[1]->secondSinger);
            QVERIFY(StartAndListen(view));
            for (uint32_t i = 0; i < 3; ++i) PlaceChecked(view, *song.words[i], 1000 * (i + 1));
            QCOMPARE(view->Cursor(), size_t(3));
            Tap(view->PlaceButton(), Qt::Key_End);
            app.Document().Discard();
        }
    }

    // Lines Only with Snap Taps to the Singing: each Space places the next line's first word and
    // nothing else, moved onto the vocal track's note when one began up to 200 ms before, and
    // the run is one step. Auto-Time then times the rest from those taps without asking first.
    // Cancel from its first progress report leaves the song as it was; an Undo made while it
    // runs is never overwritten; left alone it keeps each line after its own tap.
    void linesOnlyTapsSnapAndAutoTimeNeverOverwritesWhatChangedWhileItRan()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp11").toStdString());
        Answers answers;
        TessavoxApp app;
        PlaceLyricsView* view = Open(app, answers, "one two three\nfour five six", 6);
        QVERIFY(view);
        const QString vocals = m_dir.filePath("bursts.wav");
        QVERIFY(WriteBurstsWav(vocals, {44100, 3 * 44100}, 6));
        app.Settings().SetString(AppSettings::kSettings, AppSettings::kVocalFolder, m_dir.path());
        app.Settings().SetString(AppSettings::kSettings, AppSettings::kVocalFile, "bursts.wav");
        app.Frame()->SnapTapsAction()->setChecked(true);
        view->LinesOnlyBox()->click();
        QVERIFY(view->LinesOnlyBox()->isChecked());
        QVERIFY(StartAndListen(view));
        const KaraokeSong& song = app.Song();
        // 70 ms after the first burst: moved onto it; 300 ms after the second: too far to move.
        m_clock.Set(44100 + 3087);
        Tap(view->PlaceButton(), Qt::Key_Space);
        QVERIFY2(std::abs(int(song.words[0]->start) - 44100) <= 441, qPrintable(QString::number(song.words[0]->start)));
        QCOMPARE(view->Cursor(), size_t(3));
        PlaceChecked(view, *song.words[3], 3 * 44100 + 13230);
        QCOMPARE(view->Cursor(), song.words.size());
        Tap(view->StopButton(), Qt::Key_End);
        const std::vector<uint32_t> tapped = Starts(song);
        QCOMPARE(tapped, (std::vector<uint32_t>{song.words[0]->start, 0, 0, 3 * 44100 + 13230, 0, 0}));
        QCOMPARE(app.Document().UndoName(), std::string("Place Lyrics"));
        QVERIFY(AutoTiming::HoldsOnlyLineTaps(song));

        answers.paths << "";
        WhileFirstReportHeld(app, [](ProgressDialog& progress) {
            if (auto* cancel = progress.findChild<QPushButton*>()) cancel->click();
            // Go on once the box has taken the Cancel.
            return progress.windowTitle() == "Cancelling...";
        }, CommandId::AutoTime);
        QCOMPARE(Starts(song), tapped);
        QCOMPARE(app.Frame()->statusBar()->currentMessage(), QString(AutoTimeCommand::kCancelledText));
        QVERIFY2(answers.boxes.empty(), answers.boxes.empty() ? "" : answers.boxes[0].text.c_str());

        answers.paths << "";
        WhileFirstReportHeld(app, [&](ProgressDialog&) { return app.Document().Undo(); }, CommandId::AutoTime);
        QVERIFY(std::all_of(song.words.begin(), song.words.end(), [](const auto& w) { return w->start == 0; }));
        QCOMPARE(app.Document().RedoName(), std::string("Place Lyrics"));
        QCOMPARE(answers.boxes.size(), size_t(1));
        QCOMPARE(answers.boxes[0].text, std::string(AutoTiming::kSongChanged));

        QVERIFY(app.Document().Redo());
        answers.paths << "";
        app.RunCommand(CommandId::AutoTime);
        QCOMPARE(app.Document().UndoName(), std::string("Auto-Time Lyrics"));
        QCOMPARE(answers.boxes.size(), size_t(1));
        for (size_t k = 0; k < song.words.size(); ++k) QVERIFY(song.words[k]->start != 0);
        // Each line stays on its side of the second tap (a line is looked for from 0.3 s before
        // its tap: taps come late).
        QVERIFY(song.words[2]->start < tapped[3]);
        QVERIFY(int64_t(song.words[3]->start) >= int64_t(tapped[3]) - 44100 * 3 / 10 - 441);

        // Tapped again, a line's other words lose their times; lines the run does not reach keep theirs.
        const std::vector<uint32_t> timed = Starts(song);
        view = qobject_cast<PlaceLyricsView*>(app.Frame()->View());
        QVERIFY(view);
        QVERIFY(StartAndListen(view));
        PlaceChecked(view, *song.words[0], 88200);
        Tap(view->StopButton(), Qt::Key_End);
        QCOMPARE(Starts(song), (std::vector<uint32_t>{88200, 0, 0, timed[3], timed[4], timed[5]}));
        app.Document().Discard();
    }

    void theButtonsFollowTheStateTableAndTheShellAsksBeforeOverwriting()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp10").toStdString());
        Answers answers;
        TessavoxApp app;
        PlaceLyricsView* view = Open(app, answers, "one two", 5);
        QVERIFY(view);
        QVERIFY(!answers.Asked("Confirm Overwriting Placed Lyrics")); // nothing placed yet
        auto mode = [&](int i) { return view->ModeButton(i)->isEnabled(); };
        QVERIFY(view->StartButton()->isEnabled());
        QVERIFY(!view->PlaceButton()->isEnabled() && !view->PauseButton()->isEnabled() &&
                !view->StopButton()->isEnabled());
        QVERIFY(mode(0) && mode(1) && !mode(2) && !mode(3) && mode(4));
        QCOMPARE(view->StartButton()->text(), QString("Start (Home)"));
        QVERIFY(SongView::HasGreenFace(view->ModeButton(1)));

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
        app.Document().Discard();
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
        app.Document().Discard();
    }
};

QTEST_MAIN(PlaceLyricsViewTest)
#include "PlaceLyricsViewTest.moc"
