// How close the player's clock is to the frame being heard.
//
//   clock_accuracy [--output null|portaudio] [--seconds N] [--tempo -50..0] [--takes FILE]
//
// Plays N seconds of a tone through KaraokePlayer and reads PositionNow() every 2 ms from this
// thread, as a key press would. Every device callback reports when its first frame reaches the
// converter; a least-squares line through those reports is the device's own timeline of heard
// frames. Prints the error of each reading against that line (in ms of music), and, for
// comparison, the error a clock on the frames handed to the device would have had. With
// --takes, writes every callback report as "before count takenAt_us heardAt_us".
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "audio/ManualResetEvent.h"
#include "audio/NullAudioOutput.h"
#include "audio/PortAudioOutput.h"
#include "audio/WavOutFile.h"
#include "player/KaraokePlayer.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Reading {
    Clock::time_point at;
    uint32_t clock = 0;
    uint64_t taken = 0;
};

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p / 100.0 * double(values.size())))];
}

void Report(const char* what, const std::vector<double>& errors)
{
    std::vector<double> magnitudes;
    for (double e : errors) magnitudes.push_back(std::abs(e));
    std::printf("%-34s median %+7.3f ms   |err| p50 %6.3f  p95 %6.3f  p99 %6.3f  max %7.3f ms\n", what,
                Percentile(errors, 50), Percentile(magnitudes, 50), Percentile(magnitudes, 95),
                Percentile(magnitudes, 99), Percentile(magnitudes, 100));
}

bool WriteTone(const std::string& path, uint32_t frames)
{
    WavOutFile out;
    if (!out.Create(path, 44100, 16, 2)) return false;
    std::vector<int16_t> block(2 * 4410);
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = std::min<uint32_t>(4410, frames - done);
        for (uint32_t i = 0; i < n; ++i) {
            const auto v = int16_t(8000.0 * std::sin(2.0 * M_PI * 440.0 * double(done + i) / 44100.0));
            block[2 * i] = v;
            block[2 * i + 1] = v;
        }
        if (!out.Write(std::span<const int16_t>(block.data(), size_t(n) * 2))) return false;
        done += n;
    }
    return out.Close();
}

} // namespace

int main(int argc, char** argv)
{
    std::string outputName = "null";
    int seconds = 60;
    int tempo = 0;
    std::string takesPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--output" && i + 1 < argc) outputName = argv[++i];
        else if (arg == "--seconds" && i + 1 < argc) seconds = std::atoi(argv[++i]);
        else if (arg == "--tempo" && i + 1 < argc) tempo = std::atoi(argv[++i]);
        else if (arg == "--takes" && i + 1 < argc) takesPath = argv[++i];
        else {
            std::fprintf(stderr, "usage: clock_accuracy [--output null|portaudio] [--seconds N] [--tempo -50..0] [--takes FILE]\n");
            return 2;
        }
    }
    if (seconds < 2 || tempo < -50 || tempo > 0 || (outputName != "null" && outputName != "portaudio")) {
        std::fprintf(stderr, "clock_accuracy: --seconds at least 2, --tempo -50..0, --output null or portaudio\n");
        return 2;
    }
    const std::string tone = "/tmp/clock_accuracy_tone_" + std::to_string(::getpid()) + ".wav";
    if (!WriteTone(tone, uint32_t(seconds) * 44100)) {
        std::fprintf(stderr, "clock_accuracy: cannot write %s\n", tone.c_str());
        return 1;
    }

    std::mutex takesMutex;
    std::vector<AudioOutput::Take> takes;
    takes.reserve(size_t(seconds) * 1000);
    KaraokePlayer player(nullptr, nullptr);
    player.SetOutputFactory([&](bool) -> std::unique_ptr<AudioOutput> {
        std::unique_ptr<AudioOutput> output;
        if (outputName == "null") output = std::make_unique<NullAudioOutput>();
        else output = std::make_unique<PortAudioOutput>();
        output->SetTakeObserver([&](const AudioOutput::Take& take) {
            std::lock_guard lock(takesMutex);
            takes.push_back(take);
        });
        return output;
    });
    player.SetTempoChange(tempo);
    ManualResetEvent done;
    player.SetDoneEvent(&done);
    player.SetSource(tone, {});
    if (!player.Start(kPlayAudio | kPlayCallerFlag, 0)) {
        std::fprintf(stderr, "clock_accuracy: %s\n", player.FailureText().c_str());
        std::remove(tone.c_str());
        return 1;
    }
    const AudioOutput* output = player.Output();
    std::vector<Reading> readings;
    readings.reserve(size_t(seconds) * 600);
    size_t interrupted = 0;
    while (!done.IsSet()) {
        Reading r;
        const auto before = Clock::now();
        r.clock = player.PositionNow();
        r.at = Clock::now();
        r.taken = output->PlayedFrames();
        // A reading the scheduler interrupted has no single moment; it measures the machine.
        if (r.at - before > std::chrono::microseconds(200)) ++interrupted;
        else readings.push_back({before + (r.at - before) / 2, r.clock, r.taken});
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const std::string outputText = std::string(output->Name()) + " (" +
        (outputName == "portaudio" ? static_cast<const PortAudioOutput*>(output)->DeviceName() : std::string("-")) + ")";
    player.Release();
    std::remove(tone.c_str());

    std::lock_guard lock(takesMutex);
    if (takes.size() < 10) {
        std::fprintf(stderr, "clock_accuracy: only %zu device callbacks\n", takes.size());
        return 1;
    }
    if (!takesPath.empty()) {
        std::ofstream out(takesPath);
        for (const auto& t : takes)
            out << t.before << ' ' << t.count << ' ' << std::llround(Ms(t.takenAt - takes.front().takenAt) * 1000) << ' '
                << std::llround(Ms(t.heardAt - takes.front().takenAt) * 1000) << '\n';
    }
    // The device plays steadily between pauses: PortAudio's ALSA path through PulseAudio's plugin
    // fills the buffer at the start and then waits about two seconds, and does the same after an
    // underrun. Each steady run gets its own line: frames against the moment they reach the
    // converter, fitted to every callback's report.
    struct Run {
        size_t first = 0, last = 0; // takes [first, last)
        Clock::time_point origin;
        double slope = 0, offset = 0;
    };
    std::vector<Run> runs;
    for (size_t i = 0; i < takes.size();) {
        size_t j = i + 1;
        while (j < takes.size() && takes[j].takenAt - takes[j - 1].takenAt < std::chrono::milliseconds(200)) ++j;
        // A run's first takes were reported before the pause that follows the filling of the buffer.
        if (j - i >= 20) runs.push_back({i, j, takes[i].heardAt});
        i = j;
    }
    std::vector<double> clockErrors, takenErrors;
    double jitter = 0, slopes = 0;
    for (Run& run : runs) {
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (size_t k = run.first; k < run.last; ++k) {
            const double x = Ms(takes[k].heardAt - run.origin), y = double(takes[k].before);
            sx += x, sy += y, sxx += x * x, sxy += x * y;
        }
        const double n = double(run.last - run.first);
        run.slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
        run.offset = (sy - run.slope * sx) / n;
        slopes += run.slope * n;
        for (size_t k = run.first; k < run.last; ++k)
            jitter = std::max(jitter, std::abs(double(takes[k].before) - (run.offset + run.slope * Ms(takes[k].heardAt - run.origin))) / 44.1);
    }
    const double speed = (100.0 + tempo) / 100.0;
    for (const Reading& r : readings) {
        for (const Run& run : runs) {
            if (r.at < run.origin + std::chrono::milliseconds(50) || r.at > takes[run.last - 1].heardAt) continue;
            const double heard = run.offset + run.slope * Ms(r.at - run.origin);
            clockErrors.push_back((double(r.clock) / speed - heard) / 44.1);
            takenErrors.push_back((double(r.taken) - heard) / 44.1);
        }
    }
    size_t steadyTakes = 0;
    for (const Run& run : runs) steadyTakes += run.last - run.first;
    std::printf("steady runs of callbacks %zu (the device paused %zu times)\n", runs.size(), runs.empty() ? 0 : runs.size() - 1);
    const double slope = steadyTakes ? slopes / double(steadyTakes) : 0.0;
    std::printf("output %s, %d s at tempo %d: %zu callbacks, %zu readings (%zu interrupted ones left out)\n",
                outputText.c_str(), seconds, tempo, takes.size(), clockErrors.size(), interrupted);
    std::printf("device timeline: %.4f frames/ms (44.1 is real time); callback reports off the line by at most %.3f ms\n",
                slope, jitter);
    if (clockErrors.empty()) return 1;
    Report("clock (PositionNow) vs heard:", clockErrors);
    Report("frames handed over vs heard:", takenErrors);
    return 0;
}
