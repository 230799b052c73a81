// Waveform peaks of a 10-minute 16-bit stereo work file (105.8 MB), once with the file in the
// page cache and once with its pages dropped before each pass (what the disk allows); and
// drawing one 8-second strip of 1,280 x 120 of a song with 600 placed words, counting the
// allocations the drawing makes (none is the aim).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "audio/WavOutFile.h"
#include "media/WaveStreamReader.h"
#include "project/KaraokeSong.h"
#include "waveform/WaveformPeaks.h"
#include "waveform/WaveformStrip.h"

// The replaced global new and delete count allocations; they pair malloc and free themselves,
// which GCC cannot see through once they are inlined.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<uint64_t> g_allocations{0};
}

void* operator new(size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint16_t kChannels = 2;
constexpr int kSeconds = 600;

// The work file, written once into a folder of our own that is removed at exit.
class WorkFile {
public:
    WorkFile()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "tessavox-bench-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) return;
        m_dir = tmpl;
        const std::string path = (std::filesystem::path(m_dir) / "work.wav").string();
        WavOutFile out;
        if (!out.Create(path, kRate, 16, kChannels)) return;
        std::vector<int16_t> second(size_t(kRate) * kChannels);
        for (int s = 0; s < kSeconds; ++s) {
            for (size_t i = 0; i < second.size(); ++i)
                second[i] = int16_t(std::lround((2000.0 + 40.0 * s) * std::sin(double(i) * 0.031)));
            if (!out.Write(second)) return;
        }
        if (!out.Close()) return;
        // Written back, so that dropping the file's pages from the cache is possible.
        const int fd = ::open(path.c_str(), O_RDONLY);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
        m_path = path;
    }
    ~WorkFile()
    {
        std::error_code ec;
        if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ec);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_dir;
    std::string m_path;
};

const WorkFile& Work()
{
    static WorkFile file;
    return file;
}

void DropFromCache(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

void BuildPeaks(benchmark::State& state, bool cold)
{
    const std::string& path = Work().Path();
    if (path.empty()) {
        state.SkipWithError("the work file could not be written");
        return;
    }
    WaveformPeaks peaks;
    std::string why;
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            DropFromCache(path);
            state.ResumeTiming();
        }
        if (!peaks.Build(path, kFileLength, why)) {
            state.SkipWithError(why.c_str());
            return;
        }
        benchmark::DoNotOptimize(peaks.Range(0, peaks.Frames()));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(std::filesystem::file_size(path)));
}

void BM_PeaksTenMinutesCached(benchmark::State& state)
{
    BuildPeaks(state, false);
}
BENCHMARK(BM_PeaksTenMinutesCached)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PeaksTenMinutesFromDisk(benchmark::State& state)
{
    BuildPeaks(state, true);
}
BENCHMARK(BM_PeaksTenMinutesFromDisk)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_DrawStrip(benchmark::State& state)
{
    const std::string& path = Work().Path();
    WaveformPeaks peaks;
    std::string why;
    if (path.empty() || !peaks.Build(path, kFileLength, why)) {
        state.SkipWithError("no peaks");
        return;
    }
    // 150 lines of four words, a word a second from 5 s, four lines a page.
    KaraokeSong song;
    for (int l = 0; l < 150; ++l) song.lyricText += "Some words sung here\n";
    song.GenerateKaraokeLineList(true, true);
    song.CalcLineAndPageNumbers();
    for (size_t w = 0; w < song.words.size(); ++w) {
        song.words[w]->start = uint32_t((5 + w) * kRate);
        song.words[w]->end = uint32_t((5 + w) * kRate + kRate * 8 / 10);
    }
    WaveformStrip strip;
    strip.SetSize(1280, 120);
    strip.Draw(peaks, song, 0, 8000000, 4000000); // glyphs made once
    int64_t at = 0;
    const uint64_t before = g_allocations.load();
    for (auto _ : state) {
        // A frame at 60 a second moves the window by 16.7 ms.
        at = (at + 16667) % (int64_t(kSeconds - 8) * 1000000);
        strip.Draw(peaks, song, at, at + 8000000, at + 4000000);
        benchmark::DoNotOptimize(strip.Image().pixels.data());
    }
    state.counters["allocations"] = double(g_allocations.load() - before);
    state.counters["words"] = double(song.words.size());
}
BENCHMARK(BM_DrawStrip)->Unit(benchmark::kMicrosecond);

} // namespace
