// The song document's history on a 200-line song (8 words a line, the three default pages with
// their full-screen images): recording a step after a move of one word, undoing and redoing it,
// and writing the recovery copy of the unsaved song. "history_bytes" is what 1,000 recorded steps
// take; items per second are steps recorded a second (every state compressed), "bytes_per_step" the same per step; "project_bytes" the song's
// project file, for scale.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "document/SongDocument.h"
#include "project/KaraokeSong.h"
#include "project/ProjectFile.h"
#include "timing/WordTiming.h"

namespace {

constexpr uint32_t kWordSamples = 26460; // 0.6 s
constexpr int kLines = 200;
constexpr int kWordsPerLine = 8;

std::string LongSong()
{
    std::string text;
    for (int l = 0; l < kLines; ++l) {
        for (int w = 0; w < kWordsPerLine; ++w) text += (w ? " word" : "Line") + std::to_string(l * kWordsPerLine + w);
        text += '\n';
    }
    return text;
}

void MakeSong(SongDocument& doc)
{
    KaraokeSong& song = doc.Song();
    song.lyricText = LongSong();
    song.GenerateKaraokeLineList(true, false);
    uint32_t t = 44100;
    for (auto& w : song.words) {
        w->start = t;
        w->end = t + kWordSamples;
        t += kWordSamples;
    }
    doc.Commit("Place Lyrics");
}

void RecordSteps(benchmark::State& state)
{
    const int steps = int(state.range(0));
    size_t bytes = 0, project = 0;
    for (auto _ : state) {
        state.PauseTiming();
        SongDocument doc;
        MakeSong(doc);
        WordTiming timing(doc.Song());
        const size_t words = doc.Song().words.size();
        state.ResumeTiming();
        for (int i = 0; i < steps; ++i) {
            const size_t w = size_t(i * 7919) % words;
            if (i % 2) timing.StartLater(w);
            else timing.EndEarlier(w);
            doc.Commit("Move");
        }
        bytes = doc.History().StoredBytes();
        project = SerializeProject(doc.Song()).size();
    }
    state.counters["history_bytes"] = double(bytes);
    state.counters["bytes_per_step"] = double(bytes) / steps;
    state.counters["project_bytes"] = double(project);
    // Per step: the benchmark's own time divided by the steps it recorded.
    state.SetItemsProcessed(int64_t(steps) * state.iterations());
}
BENCHMARK(RecordSteps)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1);

void UndoRedo(benchmark::State& state)
{
    SongDocument doc;
    MakeSong(doc);
    WordTiming(doc.Song()).StartLater(100);
    doc.Commit("Start Later");
    for (auto _ : state) {
        doc.Undo();
        doc.Redo();
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(UndoRedo)->Unit(benchmark::kMillisecond);

void RecoveryWrite(benchmark::State& state)
{
    const std::string file = std::filesystem::temp_directory_path() / ("tessavox-bench-" + std::to_string(getpid()) + ".tvxr");
    SongDocument doc;
    MakeSong(doc);
    doc.SetRecoveryFile(file);
    WordTiming timing(doc.Song());
    size_t i = 0;
    for (auto _ : state) {
        // Each write follows a change, as it does while a user works.
        timing.StartLater(i++ % doc.Song().words.size());
        doc.Song().SetModified(true);
        if (!doc.WriteRecovery()) state.SkipWithError("the recovery copy was not written");
    }
    doc.RemoveRecovery();
}
BENCHMARK(RecoveryWrite)->Unit(benchmark::kMillisecond);

} // namespace
