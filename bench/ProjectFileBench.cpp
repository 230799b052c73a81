// Saving and loading a project of 200 lines. The three page images (about 750 KB) dominate;
// both must stay under 5 ms so that Auto Save on a view switch goes unnoticed.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"

namespace {

constexpr int kLines = 200;

// A folder of our own under the temporary folder, removed at exit.
class BenchDir {
public:
    BenchDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "tessavox-bench-XXXXXX").string();
        if (mkdtemp(tmpl.data())) m_path = tmpl;
    }
    ~BenchDir()
    {
        std::error_code ec;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
    }
    std::string File(const char* name) const { return (std::filesystem::path(m_path) / name).string(); }
    bool Ok() const { return !m_path.empty(); }

private:
    std::string m_path;
};

void MakeSong(KaraokeSong& song)
{
    for (int i = 0; i < kLines; ++i) song.lyricText += "Twin*kle, twin*kle, lit*tle star, how I won*der what you are\n";
    song.artist = "Traditional";
    song.title = "Twinkle, Twinkle, Little Star";
    song.FindPage(kPageTitle)->text = "Twinkle, Twinkle, Little Star";
    song.GenerateKaraokeLineList(true, false);
    uint32_t t = 44100;
    for (auto& word : song.words) {
        word->start = t;
        word->end = t += 22050;
    }
}

void BM_SerializeProject(benchmark::State& state)
{
    KaraokeSong song;
    MakeSong(song);
    for (auto _ : state) {
        auto bytes = SerializeProject(song);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = static_cast<double>(SerializeProject(song).size());
}

// The whole save: serialise, write beside the old file, flush to disk, rename over it.
void BM_SaveProject(benchmark::State& state)
{
    BenchDir dir;
    if (!dir.Ok()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    KaraokeSong song(dir.File("song.tvx"));
    MakeSong(song);
    for (auto _ : state) {
        if (!SaveProject(song)) {
            state.SkipWithError("save failed");
            break;
        }
    }
}

void BM_LoadProjectBytes(benchmark::State& state)
{
    KaraokeSong source;
    MakeSong(source);
    const auto bytes = SerializeProject(source);
    KaraokeSong song;
    for (auto _ : state) {
        if (!LoadProjectBytes(song, bytes)) {
            state.SkipWithError("load failed");
            break;
        }
    }
}

void BM_LoadProject(benchmark::State& state)
{
    BenchDir dir;
    if (!dir.Ok()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    KaraokeSong source(dir.File("song.tvx"));
    MakeSong(source);
    if (!SaveProject(source)) {
        state.SkipWithError("save failed");
        return;
    }
    KaraokeSong song(dir.File("song.tvx"));
    for (auto _ : state) {
        if (!LoadProject(song)) {
            state.SkipWithError("load failed");
            break;
        }
    }
}

} // namespace

BENCHMARK(BM_SerializeProject)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadProjectBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadProject)->Unit(benchmark::kMillisecond);
