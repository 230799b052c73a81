// Drawing and cutting: one lyric line into colour layers, a busy picture page into tiles, and
// loading and indexing a large photograph.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <vector>

#include "cdg/LyricLineWriter.h"
#include "cdg/CdgPacketGenerator.h"
#include "cdg/PagePicture.h"
#include "cdg/PageWriter.h"
#include "project/MBitmap.h"
#include "project/MTextType.h"

namespace {

void BM_DrawAndCutLyricLine(benchmark::State& state)
{
    std::vector<uint8_t> buffer(1 << 20, 0);
    MTextType style;
    style.size = 24;
    style.style = kStyleBold | kStyleShadow;
    style.colour = 12;
    style.shadowColour = 13;
    for (auto _ : state) {
        std::fill(buffer.begin(), buffer.begin() + 64 * 1024, 0);
        CdgPacketGenerator generator(buffer.data(), buffer.size());
        benchmark::DoNotOptimize(
            WriteLyricLine(generator, 4, 1, "How I wonder what you are, up above", style, 15, 0));
    }
}
BENCHMARK(BM_DrawAndCutLyricLine)->Unit(benchmark::kMicrosecond);

void BM_BusyPicturePage(benchmark::State& state)
{
    PageCanvas canvas;
    std::mt19937 rng(5);
    for (auto& p : canvas.pixels) p = uint8_t(rng() % 16);
    ColourTable table{};
    std::vector<uint8_t> buffer(8 << 20, 0);
    for (auto _ : state) {
        state.PauseTiming();
        std::fill(buffer.begin(), buffer.end(), 0);
        state.ResumeTiming();
        CdgPacketGenerator generator(buffer.data(), buffer.size());
        benchmark::DoNotOptimize(RunTransition(generator, canvas, kFillDown, table, 15, 0));
    }
}
BENCHMARK(BM_BusyPicturePage)->Unit(benchmark::kMillisecond);

void BM_LoadAndIndexLargeJpeg(benchmark::State& state)
{
    const std::string path = (std::filesystem::temp_directory_path() / "tessavox-bench-4000x3000.jpg").string();
    if (!std::filesystem::exists(path) &&
        std::system(("ffmpeg -v error -f lavfi -i testsrc2=size=4000x3000 -frames:v 1 -y " + path).c_str()) != 0) {
        state.SkipWithError("ffmpeg could not make the test picture");
        return;
    }
    for (auto _ : state) {
        MBitmap picture;
        if (!LoadPictureFile(path, picture)) {
            state.SkipWithError("the picture did not load");
            return;
        }
        PictureToIndexed(picture, 1);
        benchmark::DoNotOptimize(picture.indexPixels.data());
    }
}
BENCHMARK(BM_LoadAndIndexLargeJpeg)->Unit(benchmark::kMillisecond);

} // namespace
