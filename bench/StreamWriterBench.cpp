// Writing a whole song's stream: a 4-minute song of 60 lines and 400 words with picture title
// and credits pages.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "cdg/WriteRwMemory.h"
#include "project/KaraokeSong.h"

namespace {

constexpr uint32_t kSecond = 44100;

void BusyPicture(IMAGE_STRUCT& page)
{
    std::mt19937 rng(9);
    page.hasGraphic = 1;
    page.graphic.header.width = 288;
    page.graphic.header.height = 192;
    for (auto& b : page.graphic.truePixels) b = uint8_t(rng());
    for (int i = 0; i <= 10; ++i) page.graphic.SetColour(i, uint8_t(i * 25), uint8_t(255 - i * 25), uint8_t(i * 10));
    page.graphic.conversionPending = 1;
}

void BM_WriteRwMemoryFourMinuteSong(benchmark::State& state)
{
    KaraokeSong song;
    std::string lyrics;
    for (int line = 0; line < 60; ++line) {
        const int words = line < 40 ? 7 : 6; // 400 words in all
        for (int w = 0; w < words; ++w) {
            if (w) lyrics += ' ';
            lyrics += w % 2 ? "twinkle" : "star";
        }
        lyrics += "\n";
    }
    song.lyricText = lyrics;
    song.GenerateKaraokeLineList(true, true);
    uint32_t t = 10 * kSecond;
    for (auto& line : song.lines) {
        line->placed = line->words.empty() ? 0 : 1;
        for (MKaraokeWord* w : line->words) {
            w->start = t;
            w->end = t + kSecond / 2;
            t += 25357; // 400 words over about 230 s
        }
    }
    for (int kind : {kPageTitle, kPageCredits}) {
        IMAGE_STRUCT& page = *song.FindPage(kind);
        page.enabled = 1;
        page.text = "Picture page";
        BusyPicture(page);
    }
    const SongStream::Music music{{}, 240 * kSecond * 4, 4};
    size_t used = 0;
    for (auto _ : state) {
        const SongStream stream = WriteRwMemory(song, music);
        used = stream.usedLength;
        benchmark::DoNotOptimize(stream.bytes.data());
    }
    state.counters["stream MB"] = double(used) / 1e6;
}
BENCHMARK(BM_WriteRwMemoryFourMinuteSong)->Unit(benchmark::kMillisecond);

} // namespace
