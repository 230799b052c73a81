// Streaming a 5-minute 16-bit stereo work file (52.9 MB) the way the player and the BIN export
// do: 30,576-byte segments after a lead-in of silence; also the 1,024-byte pieces of a full
// count and 1 MiB pieces for comparison. The player needs 176,400 bytes a second; the file is
// in the page cache after the first pass, so this measures the reader, not the disk.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/WavOutFile.h"
#include "media/WaveStreamReader.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint16_t kChannels = 2;
constexpr int kSeconds = 300;
constexpr uint32_t kLeadInFrames = 3 * kRate;

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
        for (size_t i = 0; i < second.size(); ++i)
            second[i] = int16_t(std::lround(12000.0 * std::sin(double(i) * 0.031)));
        for (int s = 0; s < kSeconds; ++s)
            if (!out.Write(second)) return;
        if (out.Close()) m_path = path;
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

void BM_StreamWorkFile(benchmark::State& state)
{
    if (Work().Path().empty()) {
        state.SkipWithError("could not write the work file");
        return;
    }
    std::vector<uint8_t> piece(static_cast<size_t>(state.range(0)));
    uint64_t bytes = 0;
    for (auto _ : state) {
        WaveStreamReader reader;
        if (!reader.Open(Work().Path(), kLeadInFrames)) {
            state.SkipWithError("could not open the work file");
            return;
        }
        size_t got = 0;
        uint64_t sum = 0;
        do {
            if (!reader.Read(piece, got)) {
                state.SkipWithError("read failed");
                return;
            }
            sum += got ? piece[got - 1] : 0;
            bytes += got;
        } while (got == piece.size());
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    // How many times faster than playback the whole file streams.
    state.counters["x_realtime"] = benchmark::Counter(double(bytes) / (double(kRate) * kChannels * 2),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StreamWorkFile)->Arg(1024)->Arg(30576)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

} // namespace
