// The exports of a song: the BIN file of a 4-minute song (a 42.3 MB work file and its stream,
// 18,000 sectors plus the lead-in), and MP3 and WMA encoding of a minute of music at the
// default 128 kbps, reported as multiples of real time. The work file is in the page cache
// after the first pass; the BIN is written to the temporary folder.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/EncodeMp3.h"
#include "audio/EncodeWma.h"
#include "audio/EnsureMp3Encoder.h"
#include "audio/WavOutFile.h"
#include "cdg/ExportBin.h"
#include "cdg/SongStream.h"
#include "project/KaraokeSong.h"
#include "text/UserPrompt.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint16_t kChannels = 2;
constexpr int kBinSeconds = 240;
constexpr int kEncodeSeconds = 60;
constexpr uint32_t kLeadInFrames = 3 * kRate;
constexpr uint32_t kStreamBytesPerSecond = 7200;

// A folder of our own with work files of the given lengths, removed at exit.
class BenchFiles {
public:
    BenchFiles()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "tessavox-bench-XXXXXX").string();
        if (mkdtemp(tmpl.data())) m_dir = tmpl;
    }
    ~BenchFiles()
    {
        std::error_code ec;
        if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ec);
    }
    std::string File(const std::string& name) const { return (std::filesystem::path(m_dir) / name).string(); }

    // Music-like content: two tones and some noise, so the encoders have something to do.
    std::string Work(int seconds)
    {
        const std::string path = File("work" + std::to_string(seconds) + ".wav");
        if (std::filesystem::exists(path)) return path;
        WavOutFile out;
        if (!out.Create(path, kRate, 16, kChannels)) return {};
        std::vector<int16_t> second(size_t(kRate) * kChannels);
        uint32_t seed = 1;
        for (int s = 0; s < seconds; ++s) {
            for (size_t i = 0; i < second.size(); ++i) {
                seed = seed * 1664525u + 1013904223u;
                const double t = double(size_t(s) * kRate + i / 2);
                second[i] = int16_t(std::lround(8000.0 * std::sin(t * 0.0627) + 4000.0 * std::sin(t * 0.0941 + double(i % 2)) +
                                                double(int(seed >> 20) - 2048)));
            }
            if (!out.Write(second)) return {};
        }
        return out.Close() ? path : std::string();
    }

private:
    std::string m_dir;
};

BenchFiles& Files()
{
    static BenchFiles files;
    return files;
}

void BM_ExportBin4MinuteSong(benchmark::State& state)
{
    const std::string work = Files().Work(kBinSeconds);
    if (work.empty()) {
        state.SkipWithError("cannot write the work file");
        return;
    }
    // A song's buffer: one 96-byte block per sector of music plus the reserve.
    std::vector<uint8_t> stream(SongStream::BufferBytes(uint32_t(kBinSeconds) * kRate * 4));
    for (size_t i = 0; i < stream.size(); ++i) stream[i] = uint8_t(i * 7);
    const uint64_t used = uint64_t(kBinSeconds + 3) * kStreamBytesPerSecond;
    SilentUserPrompt prompt;
    uint64_t bytes = 0;
    for (auto _ : state) {
        const BinExportResult r =
            ExportBin(Files().File("song.bin"), BinExportSource{work, stream, used, kLeadInFrames}, {}, prompt);
        if (r.status != WorkStatus::Done) {
            state.SkipWithError("export failed");
            return;
        }
        bytes += std::filesystem::file_size(Files().File("song.bin"));
    }
    state.SetBytesProcessed(int64_t(bytes));
}
BENCHMARK(BM_ExportBin4MinuteSong)->Unit(benchmark::kMillisecond)->UseRealTime();

template <bool Mp3>
void BM_Encode(benchmark::State& state)
{
    const std::string work = Files().Work(kEncodeSeconds);
    SilentUserPrompt prompt;
    Mp3NoticeSettings notices;
    if (work.empty() || (Mp3 && !EnsureMp3Encoder(prompt, notices))) {
        state.SkipWithError("no work file or no MP3 encoder library");
        return;
    }
    AudioEncodeOptions options;
    options.title = "Benchmark";
    options.artist = "Tessavox";
    for (auto _ : state) {
        std::string failure;
        const bool ok = Mp3 ? EncodeMp3(work, Files().File("out.mp3"), options, &failure)
                            : EncodeWma(work, Files().File("out.wma"), options, &failure);
        if (!ok) {
            state.SkipWithError(failure.c_str());
            return;
        }
    }
    // Seconds of music per second of encoding.
    state.counters["x_realtime"] =
        benchmark::Counter(double(kEncodeSeconds) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Encode<true>)->Name("BM_EncodeMp3_128k_60s")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Encode<false>)->Name("BM_EncodeWma_128k_60s")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
