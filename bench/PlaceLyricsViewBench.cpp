// The Place Lyrics view under fast tapping: what one Space press costs from the key event to
// the redrawn preview (the clock is read first; the word's data, the sweep of the placed word
// and the underline of the next, or at a page turn the whole new page), and the repaint of the
// screen that follows in the event loop. A 120-line song with six lines a page plays through
// the null output; the view fills an 800 x 600 window on the offscreen platform.
// Counters: "press_ms" and "repaint_ms" per press on average, "worst_press_ms" over every press,
// "page_turn_ms" the average of the presses that turned a page.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <cmath>
#include <string>

#include "app/MainWindow.h"
#include "app/TessavoxApp.h"
#include "app/CommandIds.h"
#include "app/views/PlaceLyricsView.h"
#include "audio/WavOutFile.h"
#include "player/KaraokePlayer.h"
#include "project/KaraokeSong.h"

namespace {

std::string Lyrics(int lines)
{
    static const char* const kLines[] = {"Twin*kle, twin*kle, lit*tle star,", "How I won*der what you are!",
                                         "Up a*bove the world so high,", "Like a dia*mond in the sky."};
    std::string text;
    for (int i = 0; i < lines; ++i) text += std::string(kLines[i % 4]) + "\n";
    return text;
}

bool WriteMusic(const std::string& path, int seconds)
{
    WavOutFile out;
    if (!out.Create(path, 44100, 16, 2)) return false;
    std::vector<int16_t> samples(size_t(seconds) * 44100 * 2);
    for (size_t i = 0; i < samples.size(); i += 2)
        samples[i] = samples[i + 1] = int16_t(2000.0 * std::sin(double(i) * 0.03));
    return out.Write(samples) && out.Close();
}

void Send(QWidget* target, QEvent::Type type)
{
    QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(target, &event);
}

void BM_PlaceWordPress(benchmark::State& state)
{
    QTemporaryDir dir;
    const std::string music = dir.filePath("music.wav").toStdString();
    if (!WriteMusic(music, 120)) {
        state.SkipWithError("cannot write the music");
        return;
    }
    TessavoxApp app;
    app.InitInstance(true);
    app.Frame()->resize(800, 600);
    KaraokeSong& song = app.Song();
    song.settings.linesPerPage = 6;
    song.lyricText = Lyrics(120);
    app.LoadMusic(QString::fromStdString(music));
    song.SetMusicPath(music);
    song.SetModified(false); // no auto save (and its file chooser) at the switch
    app.SwitchView(ViewId::PlaceLyrics);
    auto* view = qobject_cast<PlaceLyricsView*>(app.Frame()->View());
    QCoreApplication::processEvents();
    view->Start();
    QElapsedTimer wait;
    wait.start();
    while (GlobalPlayer()->Position() == 0 && wait.elapsed() < 2000) QCoreApplication::processEvents();

    double pressNs = 0, repaintNs = 0, worstNs = 0, turnNs = 0;
    int presses = 0, turns = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        if (view->Cursor() >= song.words.size()) {
            state.SkipWithError("ran out of words");
            break;
        }
        const int page = view->PreviewPage();
        clock.start();
        Send(view->PlaceButton(), QEvent::KeyPress);
        const double press = double(clock.nsecsElapsed());
        Send(view->PlaceButton(), QEvent::KeyRelease);
        clock.start();
        QCoreApplication::processEvents(); // the repaint of the screen
        repaintNs += double(clock.nsecsElapsed());
        pressNs += press;
        worstNs = std::max(worstNs, press);
        ++presses;
        if (view->PreviewPage() != page) {
            turnNs += press;
            ++turns;
        }
    }
    view->End();
    song.SetModified(false);
    state.counters["press_ms"] = presses ? pressNs / presses / 1e6 : 0;
    state.counters["repaint_ms"] = presses ? repaintNs / presses / 1e6 : 0;
    state.counters["worst_press_ms"] = worstNs / 1e6;
    state.counters["page_turn_ms"] = turns ? turnNs / turns / 1e6 : 0;
}

} // namespace

// One run through most of the song's 576 words.
BENCHMARK(BM_PlaceWordPress)->Iterations(500)->Unit(benchmark::kMillisecond);
