// Rebuilding the karaoke line list from lyric text: it runs at every view switch and before
// every preview and export, so it must stay linear and well under 20 ms for 10,000 lines.
#include <benchmark/benchmark.h>

#include <string>

#include "project/KaraokeSong.h"

namespace {

// Verses of six lines with syllable marks, a "_" and a page break between verses.
std::string MakeLyrics(int64_t lineCount)
{
    static const char* const kVerse[] = {
        "Twin*kle, twin*kle, lit*tle star,", "How I won*der what you are!", "Up a*bove the world so high,",
        "Like a dia*mond in the sky.",       "New_York, New_York, hel*lo there,", "How I won*der what you are!",
    };
    std::string text;
    for (int64_t i = 0; i < lineCount; ++i) {
        if (i > 0 && i % 6 == 0) text += "^\n";
        text += kVerse[i % 6];
        text += '\n';
    }
    return text;
}

void RunRebuild(benchmark::State& state, bool finalText)
{
    KaraokeSong song;
    song.lyricText = MakeLyrics(state.range(0));
    // As in the program, the old list is there and its timing is carried over.
    song.GenerateKaraokeLineList(true, finalText);
    for (auto _ : state) {
        song.GenerateKaraokeLineList(true, finalText);
        benchmark::DoNotOptimize(song.lines.data());
    }
    state.SetComplexityN(state.range(0));
    state.counters["words"] = static_cast<double>(song.words.size());
}

void BM_GenerateKaraokeLineList(benchmark::State& state)
{
    RunRebuild(state, false);
}

void BM_GenerateKaraokeLineListFinalText(benchmark::State& state)
{
    RunRebuild(state, true);
}

} // namespace

BENCHMARK(BM_GenerateKaraokeLineList)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_GenerateKaraokeLineListFinalText)->Arg(10000)->Unit(benchmark::kMillisecond);
