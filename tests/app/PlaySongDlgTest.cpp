// Play Final: the finished stream played against the music, paused, resumed and dragged, and
// played again after the song settings changed.
#include <QPointer>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>
#include <functional>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <set>
#include <thread>

#include "AppTestSupport.h"
#include "project/ProjectFile.h"
#include "SettingsTestSupport.h"
#include "app/QtText.h"
#include "app/MainWindow.h"
#include "app/TessavoxApp.h"
#include "app/CommandIds.h"
#include "app/dialogs/LyricsPageDialog.h"
#include "app/dialogs/SongSettingsDialog.h"
#include "app/views/PlayFinalView.h"
#include "app/widgets/CColorButton.h"
#include "app/widgets/CdgScreenWidget.h"
#include "audio/WavOutFile.h"
#include "cdg/CdgColour.h"
#include "cdg/CdgFormat.h"
#include "player/KaraokePlayer.h"
#include "player/CdgPacketScheduler.h"
#include "player/CdgScreen.h"
#include "player/CdgStreamSnapshot.h"
#include "project/ColourSlots.h"
#include "project/KaraokeSong.h"
#include "support/ScopedTempFolder.h"

namespace {

// The colours of the visible area, row by row.
std::vector<uint32_t> VisibleRgb(const CdgScreen& r)
{
    std::vector<uint32_t> rgb;
    for (int y = kCdgVisibleTop; y < kCdgVisibleBottom; ++y)
        for (int x = kCdgVisibleLeft; x < kCdgVisibleRight; ++x) rgb.push_back(r.Colour(r.Pixel(x, y)));
    return rgb;
}

// How many visible pixels of the view's screen differ from what the player shows when its clock
// reads clock, playing the stream from the start on a new screen.
int DifferencesFromPlayer(const CdgScreen& view, const std::vector<uint8_t>& stream, uint32_t clock)
{
    CdgStreamSnapshot player(stream);
    player.ExecuteUntil(player.PacketsAtClock(clock));
    const std::vector<uint32_t> a = VisibleRgb(view), b = VisibleRgb(player.Renderer());
    int differences = 0;
    for (size_t i = 0; i < a.size(); ++i) differences += a[i] != b[i];
    return differences;
}

// A colour value of the screen's table as 0xRRGGBB.
uint32_t Rgb(uint32_t colour)
{
    return (uint32_t(ColourRed(colour)) << 16) | (uint32_t(ColourGreen(colour)) << 8) | ColourBlue(colour);
}

// The share of the pixels inside the border of the viewer's picture that have colour rgb
// (0xRRGGBB).
double Share(const QImage& picture, uint32_t rgb)
{
    const int w = picture.width(), h = picture.height();
    const int left = kCdgVisibleLeft * w / kCdgScreenWidth, right = kCdgVisibleRight * w / kCdgScreenWidth;
    const int top = kCdgVisibleTop * h / kCdgScreenHeight, bottom = kCdgVisibleBottom * h / kCdgScreenHeight;
    qint64 count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) count += (picture.pixel(x, y) & 0xFFFFFFu) == rgb;
    return double(count) / double(std::max<qint64>(1, qint64(right - left) * (bottom - top)));
}

// Lets the music play until its clock passes frames, without running the event loop (so the
// view's timer does not read the clock meanwhile).
bool PlayPast(uint32_t frames)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (GlobalPlayer() && GlobalPlayer()->Position() <= frames) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return GlobalPlayer() != nullptr;
}

// The first tile that XORs its colours into the screen, from packet from on.
int FirstXorTile(const std::vector<uint8_t>& stream, int from)
{
    for (size_t p = size_t(from); p + 1 < stream.size() / kCdgPacketBytes; ++p) {
        const uint8_t* packet = stream.data() + p * kCdgPacketBytes;
        if (IsCdgGraphicsCommand(packet[kCdgCommandByte]) && (packet[1] & kCdgSixBits) == kCdgTileXor) return int(p);
    }
    return -1;
}

} // namespace

class PlaySongDlgTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // A project of two placed lines over a short tone, opened in the window, on Play Final.
    // Word k is sung from 4410 + 11025 k for 8000 frames (after the lead-in).
    PlayFinalView* OpenOnPlayFinal(TessavoxApp& app, bool show = false, int seconds = 2)
    {
        const QString wav = m_dir.filePath(QString("tone%1.wav").arg(seconds));
        WavOutFile out;
        if (!out.Create(wav.toStdString(), 44100, 16, 2)) return nullptr;
        std::vector<int16_t> samples(size_t(44100) * 2 * size_t(seconds), 1000);
        out.Write(samples);
        out.Close();
        KaraokeSong song(m_dir.filePath("play.tvx").toStdString());
        song.lyricText = "hello there\nbye";
        song.GenerateKaraokeLineList(true, false);
        uint32_t t = 4410;
        for (auto& w : song.words) {
            w->start = t;
            w->end = t + 8000;
            t += 11025;
        }
        for (auto& l : song.lines) l->placed = 1;
        song.musicPath = wav.toStdString();
        SaveProject(song);
        app.InitInstance(show);
        if (show) app.Frame()->resize(800, 600);
        if (!app.OpenProject(m_dir.filePath("play.tvx"))) return nullptr;
        app.RunCommand(CommandId::ModePlayFinal);
        return qobject_cast<PlayFinalView*>(app.Frame()->View());
    }

    std::set<int> Screen(const CdgScreen& r)
    {
        std::set<int> shown;
        for (int y = 12; y < 204; ++y)
            for (int x = 6; x < 294; ++x) shown.insert(r.Pixel(x, y));
        return shown;
    }

private slots:
    void spacePausesAndResumesFromTheSamePlace()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp").toStdString());
        Answers answers;
        TessavoxApp app;
        PlayFinalView* view = OpenOnPlayFinal(app);
        QVERIFY(view);
        QCOMPARE(view->PlayButton()->text(), QString("Play (SB)"));
        QVERIFY(view->Slider()->maximum() > 0);

        QTest::keyClick(view, Qt::Key_Space);
        QVERIFY(view->Playing());
        QVERIFY(app.IsPlaying());
        QCOMPARE(view->PlayButton()->text(), QString("Pause (SB)"));
        QVERIFY(!view->ModeButton(0)->isEnabled()); // the mode row waits while playing
        QTest::qWait(400);
        view->OnTimer();
        const uint32_t paused = view->PlayPosition();
        QVERIFY(paused > 0);
        QCOMPARE(view->Slider()->value(), int(paused / 147));
        QTest::keyClick(view, Qt::Key_Space);
        QVERIFY(!view->Playing());
        QCOMPARE(view->PlayButton()->text(), QString("Play (SB)"));
        QTest::keyClick(view, Qt::Key_Space);
        QVERIFY(view->Playing());
        QVERIFY(app.IsPlaying());
        view->StopPlaying();
        QVERIFY(view->PlayPosition() >= paused);
    }

    // Any move of the slider while the song plays (a key, a click in the groove, the wheel, a
    // drag) stops the music, shows the new place and plays on from it when the move is over:
    // the button says "Pause (SB)" and means it.
    void everyMoveOfTheSliderWhilePlayingPlaysOnFromTheNewPlace()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp-moves").toStdString());
        Answers answers;
        TessavoxApp app;
        PlayFinalView* view = OpenOnPlayFinal(app, true, 30);
        QVERIFY(view);
        QVERIFY(QTest::qWaitForWindowExposed(app.Frame()));
        QSlider* slider = view->Slider();
        const int second = 300;

        // Plays, makes the move, and checks that the music plays on from where the move put the
        // slider.
        auto moveWhilePlaying = [&](const char* kind, const std::function<void()>& move,
                                    const std::function<bool(int, int)>& moved) {
            if (!view->Playing()) view->PlayToggle();
            QVERIFY2(view->Playing(), kind);
            const int before = slider->value();
            move();
            QTRY_VERIFY2(!view->PausedForScroll(), kind);
            const int after = slider->value();
            QVERIFY2(moved(before, after), qPrintable(QString("%1: %2 -> %3").arg(kind).arg(before).arg(after)));
            QVERIFY2(view->Playing() && app.IsPlaying(), kind);
            QCOMPARE(view->PlayButton()->text(), QString("Pause (SB)"));
            QVERIFY2(!view->ModeButton(0)->isEnabled() && !view->ModeButton(4)->isEnabled(), kind);
            // The music goes on from the new place, not from where it was stopped (a start may
            // begin up to one segment of the player, 0.17 s, early).
            const uint64_t at = GlobalPlayer()->PositionNow();
            QVERIFY2(at + 7500 >= uint64_t(after) * 147, kind);
            if (after < before) QVERIFY2(at < uint64_t(before) * 147, kind);
        };

        view->Slider()->setFocus();
        moveWhilePlaying("Right", [&] { QTest::keyClick(slider, Qt::Key_Right); },
                         [&](int before, int after) { return after >= before + second; });
        moveWhilePlaying("Home", [&] { QTest::keyClick(slider, Qt::Key_Home); },
                         [](int, int after) { return after == 0; });
        // A key held down: the music waits for the key to come up.
        QTest::keyPress(slider, Qt::Key_PageUp);
        QVERIFY(view->PausedForScroll());
        QVERIFY(!view->Playing());
        QCOMPARE(view->PlayButton()->text(), QString("Pause (SB)"));
        QTest::keyRelease(slider, Qt::Key_PageUp);
        QTRY_VERIFY(view->Playing());
        QVERIFY(!view->PausedForScroll());

        const QPoint groove(slider->width() * 3 / 5, slider->height() / 2);
        moveWhilePlaying("a click in the groove", [&] { QTest::mouseClick(slider, Qt::LeftButton, {}, groove); },
                         [&](int before, int after) { return after > before + second / 2; });
        moveWhilePlaying("the wheel", [&] {
            QWheelEvent wheel(QPointF(groove), slider->mapToGlobal(QPointF(groove)), QPoint(), QPoint(0, -120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(slider, &wheel);
        }, [](int before, int after) { return after != before; });

        // A drag: the music waits until the handle is let go.
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = Qt::Horizontal;
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = option.sliderValue = slider->value();
        const QPoint handle =
            slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
        moveWhilePlaying("a drag", [&] {
            QTest::mousePress(slider, Qt::LeftButton, {}, handle);
            QTest::mouseMove(slider, handle - QPoint(slider->width() / 10, 0));
            QVERIFY(!view->Playing());
            QVERIFY(view->PausedForScroll());
            QTest::mouseRelease(slider, Qt::LeftButton, {}, handle - QPoint(slider->width() / 10, 0));
        }, [](int before, int after) { return after < before; });
        view->StopPlaying();
        QCOMPARE(view->PlayButton()->text(), QString("Play (SB)"));
    }

    void theEndOfTheSongReturnsToTheStartWithAClearScreen()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp2").toStdString());
        Answers answers;
        TessavoxApp app;
        PlayFinalView* view = OpenOnPlayFinal(app);
        QVERIFY(view);
        view->Slider()->setValue(view->Slider()->maximum() - 50); // a third of a second before the end
        view->PlayToggle();
        QVERIFY(view->Playing());
        QTRY_VERIFY_WITH_TIMEOUT((view->OnTimer(), !view->Playing()), 5000);
        QCOMPARE(view->PlayButton()->text(), QString("Play (SB)"));
        QCOMPARE(view->Slider()->value(), 0);
        QCOMPARE(view->PlayPosition(), 0u);
        QCOMPARE(Screen(*view->Renderer()), (std::set<int>{15}));
    }

    void draggingTheSliderShowsTheScreenOfThatMoment()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp3").toStdString());
        Answers answers;
        TessavoxApp app;
        PlayFinalView* view = OpenOnPlayFinal(app);
        QVERIFY(view);
        const uint32_t leadIn = view->StreamStart();
        // After both words of the first line: swept text shows the sweep colour.
        view->Slider()->setValue(int((leadIn + 4410 + 2 * 11025) / 147));
        QVERIFY(Screen(*view->Renderer()).count(14));
        // Back to just after the lines were drawn: the screen is built again from the start of
        // the stream and shows what playing forward to that moment shows.
        const int back = 101;
        view->Slider()->setValue(back);
        QCOMPARE(view->ShownPackets(), back);
        // The clock counts the finished song's time, lead-in included, as the exported file plays.
        QVERIFY(leadIn > 0);
        QCOMPARE(view->ClockLabel()->text(), SongTimeText(int64_t(back) * 147));
        CdgStreamSnapshot forward(view->Stream());
        forward.ExecuteUntil(forward.PacketsAtClock(uint32_t(back) * 147));
        for (int y = 12; y < 204; ++y)
            for (int x = 6; x < 294; ++x)
                QCOMPARE(view->Renderer()->Pixel(x, y), forward.Renderer().Pixel(x, y));
        QVERIFY(Screen(*view->Renderer()).count(12));
        view->Slider()->setValue(0);
        QCOMPARE(Screen(*view->Renderer()), (std::set<int>{15}));
        QCOMPARE(view->PlayPosition(), uint32_t(view->Slider()->value()) * 147);
    }

    void pausingKeepsTheClockThatTheScreenShows()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp4").toStdString());
        Answers answers;
        TessavoxApp app;
        PlayFinalView* view = OpenOnPlayFinal(app);
        QVERIFY(view);
        const std::vector<uint8_t>& stream = view->Stream();
        const uint32_t firstWord = view->StreamStart() + 4410;
        // From a tenth of a second before the first sweep; the timer never runs meanwhile, so
        // only the stop itself can tell the view where the music is.
        view->Slider()->setValue(int((firstWord - 4410) / 147));
        view->PlayToggle();
        QVERIFY(view->Playing());
        QVERIFY(PlayPast(firstWord + 4000));
        view->PlayToggle();
        QVERIFY(!view->Playing());
        const uint32_t paused = view->PlayPosition();
        QVERIFY(paused > firstWord + 4000);
        QCOMPARE(view->Slider()->value(), int(paused / 147));
        QCOMPARE(view->ShownPackets(), int(paused / 147));
        QCOMPARE(DifferencesFromPlayer(*view->Renderer(), stream, paused), 0);
        QVERIFY(Screen(*view->Renderer()).count(14)); // part of the first word is swept

        // Resumed and paused again: every packet has been drawn once, the XOR layers of the
        // sweeps included.
        view->PlayToggle();
        QVERIFY(PlayPast(paused + 11025));
        view->PlayToggle();
        QVERIFY(view->PlayPosition() > paused + 11025);
        QCOMPARE(DifferencesFromPlayer(*view->Renderer(), stream, view->PlayPosition()), 0);
    }

    void thePausedPictureIsTheWholeScreenPresentedAtOnce()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp10").toStdString());
        Answers answers;
        TessavoxApp app;
        PlayFinalView* view = OpenOnPlayFinal(app, true);
        QVERIFY(view);
        QTest::qWait(50);
        // Across the first line's sweeps, paused when the CD+G player has drawn all that is
        // due, so that nothing is left to catch up: the tiles it presented one by one, each
        // scaled on its own, must not be what stays on screen.
        view->Slider()->setValue(int((view->StreamStart() + 2000) / 147));
        view->PlayToggle();
        QVERIFY(PlayPast(view->StreamStart() + 4410 + 11025 + 4000));
        const auto level = [] {
            const CdgPacketScheduler* cdg = GlobalPlayer()->CdgPlayer();
            return cdg && cdg->LastPosition() / 147 == GlobalPlayer()->Position() / 147;
        };
        QTRY_VERIFY(level());
        view->PlayToggle();
        const QImage paused = view->Viewer()->Picture();
        view->Renderer()->PresentAll();
        QVERIFY(view->Viewer()->Picture() == paused);
    }

    void eachStopIsReportedToTheFileNamedInTheEnvironment()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp8").toStdString());
        Answers answers;
        TessavoxApp app;
        const QString report = m_dir.filePath("stops.txt");
        qputenv("TESSAVOX_PLAY_FINAL_REPORT", report.toLocal8Bit());
        PlayFinalView* view = OpenOnPlayFinal(app, true);
        QVERIFY(view);
        QTest::qWait(50);
        QStringList expected;
        for (int i = 0; i < 2; ++i) {
            view->PlayToggle();
            QVERIFY(PlayPast(view->StreamStart() + uint32_t(i + 1) * 8000));
            view->PlayToggle();
            const QPoint at = view->Viewer()->mapToGlobal(QPoint(0, 0));
            expected << QString("clock %1 packets %2 viewer %3 %4 %5 %6")
                            .arg(view->PlayPosition())
                            .arg(view->ShownPackets())
                            .arg(at.x())
                            .arg(at.y())
                            .arg(view->Viewer()->width())
                            .arg(view->Viewer()->height());
        }
        qunsetenv("TESSAVOX_PLAY_FINAL_REPORT");
        view->PlayToggle();
        view->PlayToggle(); // not reported any more
        QFile file(report);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(QString::fromUtf8(file.readAll()).trimmed().split('\n'), expected);
        QVERIFY(view->Viewer()->width() > 300);
    }

    void spacePlaysAsSoonAsTheViewIsOnScreen()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp9").toStdString());
        Answers answers;
        TessavoxApp app;
        QVERIFY(OpenOnPlayFinal(app, true));
        QApplication::setActiveWindow(app.Frame());
        QVERIFY(QTest::qWaitForWindowActive(app.Frame()));
        QWindow* window = app.Frame()->windowHandle();
        // Reached by a click on its button and by Alt+P, from Adjust Lyrics; Space goes where
        // the keyboard focus is, as a user's key does.
        for (bool click : {true, false}) {
            app.RunCommand(CommandId::ModeAdjustLyrics);
            QCOMPARE(app.CurrentView(), ViewId::AdjustLyrics);
            if (click) QTest::mouseClick(app.Frame()->View()->ModeButton(3), Qt::LeftButton);
            else QTest::keyClick(window, Qt::Key_P, Qt::AltModifier);
            QTRY_COMPARE(app.CurrentView(), ViewId::PlayFinal);
            auto* view = qobject_cast<PlayFinalView*>(app.Frame()->View());
            QVERIFY(view);
            QTest::keyClick(window, Qt::Key_Space);
            QVERIFY(view->Playing());
            QTest::keyClick(window, Qt::Key_Space);
            QVERIFY(!view->Playing());
        }
    }

    void playingOnFromADraggedPlaceDrawsEachPacketOnce()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp5").toStdString());
        Answers answers;
        TessavoxApp app;
        PlayFinalView* view = OpenOnPlayFinal(app);
        QVERIFY(view);
        const std::vector<uint8_t>& stream = view->Stream();
        // The slider on the very packet of a sweep's XOR layer: the screen shows the moment
        // before it, as the player does at that clock, and playing on draws the layer once.
        const int xorTile = FirstXorTile(stream, int((view->StreamStart() + 4410) / 147));
        QVERIFY(xorTile > 0);
        view->Slider()->setValue(xorTile);
        QCOMPARE(view->ShownPackets(), xorTile);
        QCOMPARE(DifferencesFromPlayer(*view->Renderer(), stream, uint32_t(xorTile) * 147), 0);
        view->PlayToggle();
        QVERIFY(PlayPast(uint32_t(xorTile + 30) * 147));
        view->PlayToggle();
        QCOMPARE(DifferencesFromPlayer(*view->Renderer(), stream, view->PlayPosition()), 0);
        QVERIFY(Screen(*view->Renderer()).count(14));
    }

    void draggingBackAndForthMatchesThePlayerEverywhere()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp6").toStdString());
        Answers answers;
        TessavoxApp app;
        PlayFinalView* view = OpenOnPlayFinal(app);
        QVERIFY(view);
        const std::vector<uint8_t>& stream = view->Stream();
        const uint32_t leadIn = view->StreamStart();
        // Forward and back over the title page, the lines being drawn, the sweeps and the end,
        // in steps of every size.
        const int steps[] = {int((leadIn + 4410 + 3 * 11025) / 147), int((leadIn + 4410 + 4000) / 147),
                             1, 40, int((leadIn + 4410 + 11025 + 2000) / 147), int((leadIn + 4410 + 6000) / 147),
                             view->Slider()->maximum(), 120, int(leadIn / 147) + 3};
        for (int step : steps) {
            view->Slider()->setValue(step);
            QCOMPARE(view->PlayPosition(), uint32_t(step) * 147);
            QCOMPARE(DifferencesFromPlayer(*view->Renderer(), stream, uint32_t(step) * 147), 0);
        }
    }

    void aSettingsChangeShowsAtTheNextPlay()
    {
        ScopedTempFolder temp(m_dir.filePath("tmp7").toStdString());
        Answers answers;
        TessavoxApp app;
        PlayFinalView* view = OpenOnPlayFinal(app, true);
        QVERIFY(view);
        QTest::qWait(50); // shown and laid out
        // Into the second word of the first line.
        const uint32_t clock = view->StreamStart() + 4410 + 11025 + 3000;
        auto playThere = [&clock](PlayFinalView& v) {
            v.Slider()->setValue(int(clock / 147) - 60);
            v.PlayToggle();
            return v.Playing() && PlayPast(clock) && (v.PlayToggle(), !v.Playing());
        };
        const std::vector<uint8_t> oldStream = view->Stream();
        QVERIFY(playThere(*view));
        const uint32_t oldBackground = Rgb(view->Renderer()->Colour(kSlotBackground));
        QVERIFY(Share(view->Viewer()->Picture(), oldBackground) > 0.5);
        QCOMPARE(DifferencesFromPlayer(*view->Renderer(), oldStream, view->PlayPosition()), 0);

        // "&Settings...": a new background colour on the lyrics page, then OK.
        PickerAnswer picker(0x2080C0);
        bool shown = false;
        OnNextModal<SongSettingsDialog>([&shown](SongSettingsDialog& d) {
            shown = true;
            Child<CColorButton>(*d.LyricsPage(), "background")->click();
            d.OkButton()->click();
        });
        QPointer<PlayFinalView> before = view;
        view->ModeButton(4)->click();
        QVERIFY(shown);
        view = qobject_cast<PlayFinalView*>(app.Frame()->View());
        QVERIFY(view && view != before.data());
        QVERIFY(view->Stream() != oldStream);
        QTest::qWait(50);

        QVERIFY(playThere(*view));
        const uint32_t newBackground = Rgb(view->Renderer()->Colour(kSlotBackground));
        // The colour picked, in the screen's 4 bits a channel.
        QCOMPARE(newBackground, 0x1177BBu);
        QVERIFY(newBackground != oldBackground);
        const QImage picture = view->Viewer()->Picture();
        QVERIFY(Share(picture, newBackground) > 0.5);
        QCOMPARE(Share(picture, oldBackground), 0.0);
        QCOMPARE(DifferencesFromPlayer(*view->Renderer(), view->Stream(), view->PlayPosition()), 0);
    }
};

QTEST_MAIN(PlaySongDlgTest)
#include "PlaySongDlgTest.moc"
