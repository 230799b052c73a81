// The Play Final view on a 4-minute song (60 lines of 6 to 8 words, four lines a page, one
// word sung every 0.6 s): opening the view, which builds the song's whole CD+G stream, and
// dragging the slider across the song one second at a time, forward and then back. A step
// forward draws the packets since the last step; a step back builds the screen again from the
// start of the stream. Each step is timed from the slider's move to the redrawn screen, then
// the repaint that follows in the event loop. The view fills an 800 x 600 window on the
// offscreen platform; the music plays through the null output.
// Counters: "open_ms" the switch to the view, "stream_ms" the stream alone, "stream_packets" its
// length; "step_ms" and "repaint_ms" per step on average, "worst_step_ms" over every step of the
// run, "first_step_ms" the first step (back: from the end, nearly the whole stream again);
// "step_cpu_ms" and "worst_step_cpu_ms" the same steps in CPU time.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSlider>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <ctime>
#include <memory>
#include <string>

#include "app/MainWindow.h"
#include "app/TessavoxApp.h"
#include "app/CommandIds.h"
#include "app/views/PlayFinalView.h"
#include "audio/WavOutFile.h"
#include "cdg/CdgFormat.h"
#include "cdg/WriteRwMemory.h"
#include "project/KaraokeSong.h"

namespace {

constexpr int kSongSeconds = 240;
constexpr int kLines = 60;
constexpr int kLineStep = 300; // the slider's step: one second

std::string Lyrics(int lines)
{
    static const char* const kLines[] = {"Twin*kle, twin*kle, lit*tle star,", "How I won*der what you are!",
                                         "Up a*bove the world so high,", "Like a dia*mond in the sky."};
    std::string text;
    for (int i = 0; i < lines; ++i) text += std::string(kLines[i % 4]) + "\n";
    return text;
}

// CPU time of the process in nanoseconds (only the window's thread works while the slider is
// dragged): steps measured on a machine busy with other work.
double CpuNs()
{
    return double(std::clock()) * 1e9 / double(CLOCKS_PER_SEC);
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

// The app with the 4-minute song placed and loaded, on Play Final.
struct Song {
    QTemporaryDir dir;
    TessavoxApp app;
    bool ok = false;

    Song()
    {
        const std::string music = dir.filePath("music.wav").toStdString();
        if (!WriteMusic(music, kSongSeconds)) return;
        app.InitInstance(true);
        app.Frame()->resize(800, 600);
        KaraokeSong& song = app.Song();
        song.lyricText = Lyrics(kLines);
        song.GenerateKaraokeLineList(true, false);
        // From 8 s to 4 s before the end, evenly.
        const uint32_t first = 8 * 44100, last = (kSongSeconds - 4) * 44100;
        const uint32_t gap = (last - first) / uint32_t(song.words.size());
        uint32_t t = first;
        for (auto& w : song.words) {
            w->start = t;
            w->end = t + gap * 4 / 5;
            t += gap;
        }
        for (auto& l : song.lines) l->placed = 1;
        if (!app.LoadMusic(QString::fromStdString(music))) return;
        song.SetMusicPath(music, app.WorkingAudioPath().toStdString());
        song.SetModified(false); // no auto save (and its file chooser) at the switch
        app.SwitchView(ViewId::PlayFinal);
        QCoreApplication::processEvents();
        ok = View() != nullptr;
    }
    ~Song() { app.Song().SetModified(false); }

    PlayFinalView* View() const { return qobject_cast<PlayFinalView*>(app.Frame()->View()); }
};

void BM_PlayFinalOpen(benchmark::State& state)
{
    Song s;
    if (!s.ok) {
        state.SkipWithError("cannot make the song");
        return;
    }
    double openNs = 0, streamNs = 0;
    size_t used = 0;
    int64_t runs = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        clock.start();
        s.app.SwitchView(ViewId::PlayFinal);
        openNs += double(clock.nsecsElapsed());
        QCoreApplication::processEvents(); // the old view goes
        clock.start();
        used = WriteRwMemory(s.app.Song()).usedLength;
        streamNs += double(clock.nsecsElapsed());
        ++runs;
    }
    state.counters["open_ms"] = runs ? openNs / double(runs) / 1e6 : 0;
    state.counters["stream_ms"] = runs ? streamNs / double(runs) / 1e6 : 0;
    state.counters["stream_packets"] = double(used / kCdgPacketBytes);
}

// One drag across the song; state.range(0) is 1 to drag forward, 0 to drag back.
void BM_PlayFinalDrag(benchmark::State& state)
{
    Song s;
    if (!s.ok) {
        state.SkipWithError("cannot make the song");
        return;
    }
    const bool forward = state.range(0) != 0;
    PlayFinalView* view = s.View();
    QSlider* slider = view->Slider();
    const int maximum = slider->maximum();
    double stepNs = 0, repaintNs = 0, worstNs = 0, firstNs = 0, stepCpuNs = 0, worstCpuNs = 0;
    int64_t steps = 0, runs = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        // Start at the far end: a drag back starts with a screen built up to the end.
        slider->setValue(forward ? 0 : maximum);
        QCoreApplication::processEvents();
        slider->setSliderDown(true);
        for (int i = 1; i <= maximum / kLineStep + 1; ++i) {
            const int value = forward ? std::min(maximum, i * kLineStep) : std::max(0, maximum - i * kLineStep);
            const double cpu = CpuNs();
            clock.start();
            slider->setValue(value);
            const double step = double(clock.nsecsElapsed());
            const double stepCpu = CpuNs() - cpu;
            stepCpuNs += stepCpu;
            worstCpuNs = std::max(worstCpuNs, stepCpu);
            clock.start();
            QCoreApplication::processEvents(); // the repaint of the screen
            repaintNs += double(clock.nsecsElapsed());
            stepNs += step;
            worstNs = std::max(worstNs, step);
            if (i == 1) firstNs += step;
            ++steps;
        }
        slider->setSliderDown(false);
        ++runs;
    }
    state.counters["steps"] = double(steps);
    state.counters["step_ms"] = steps ? stepNs / double(steps) / 1e6 : 0;
    state.counters["repaint_ms"] = steps ? repaintNs / double(steps) / 1e6 : 0;
    state.counters["worst_step_ms"] = worstNs / 1e6;
    state.counters["first_step_ms"] = runs ? firstNs / double(runs) / 1e6 : 0;
    state.counters["step_cpu_ms"] = steps ? stepCpuNs / double(steps) / 1e6 : 0;
    state.counters["worst_step_cpu_ms"] = worstCpuNs / 1e6;
}

} // namespace

BENCHMARK(BM_PlayFinalOpen)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayFinalDrag)->ArgName("forward")->Arg(1)->Arg(0)->Iterations(3)->Unit(benchmark::kMillisecond);
