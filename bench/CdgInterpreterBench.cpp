// Speed of the CD+G interpreter: executing a dense five-minute stream with presents suppressed,
// and rendering a picture every second of it (interpretation against PNG writing).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "cdg/CdgPacket.h"
#include "player/CdgPacketDecoder.h"
#include "player/CdgScreen.h"
#include "player/CdgScreenPicture.h"
#include "player/CdgStreamSnapshot.h"
#include "player/PngCodec.h"

namespace {

constexpr size_t kFiveMinutes = 300 * 300; // 90,000 packets

// Five minutes of packets, nearly all tiles (plain and XOR, at random places with random
// patterns), with now and then a colour table (two tables in turn, so the cache misses), a
// memory preset run, a border preset and a scroll.
const std::vector<uint8_t>& DenseStream()
{
    static const std::vector<uint8_t> stream = [] {
        std::mt19937 rng(42);
        std::array<uint32_t, 8> tableA{}, tableB{};
        for (size_t i = 0; i < 8; ++i) {
            tableA[i] = MakeColourValue(uint8_t(i * 30), uint8_t(255 - i * 30), 128);
            tableB[i] = MakeColourValue(128, uint8_t(i * 30), uint8_t(255 - i * 30));
        }
        std::vector<uint8_t> s;
        s.reserve(kFiveMinutes * kCdgPacketBytes);
        auto put = [&s](const CdgPacket& p) { s.insert(s.end(), p.bytes.begin(), p.bytes.end()); };
        while (s.size() < kFiveMinutes * kCdgPacketBytes) {
            const unsigned pick = rng() % 1000;
            if (pick < 4) {
                put(CdgPacket::LoadColours(kCdgLoadColoursLow, (pick % 2) ? tableA : tableB));
            } else if (pick < 5) {
                const int colour = int(rng() % 16);
                for (int r = 0; r < kCdgMemoryPresetRun; ++r) put(CdgPacket::MemoryPreset(colour, r));
            } else if (pick < 6) {
                put(CdgPacket::BorderPreset(int(rng() % 16)));
            } else if (pick < 7) {
                put(CdgPacket::ScrollCopy(int(rng() % 3), int(rng() % 6), int(rng() % 3), int(rng() % 12)));
            } else {
                TilePattern pattern;
                for (auto& b : pattern) b = uint8_t(rng() & 0x3F);
                put(CdgPacket::Tile(pick % 2 ? kCdgTileNormal : kCdgTileXor, int(rng() % 16), int(rng() % 16),
                                    int(rng() % 18), int(rng() % 50), pattern));
            }
        }
        s.resize(kFiveMinutes * kCdgPacketBytes);
        return s;
    }();
    return stream;
}

void BM_ExecuteDenseStreamSuppressed(benchmark::State& state)
{
    const std::vector<uint8_t>& stream = DenseStream();
    CdgScreen renderer;
    CdgPacketDecoder decoder(&renderer);
    CdgScreenPicture screen;
    renderer.AttachWindow(&screen);
    renderer.SetSuppressPresent(true);
    for (auto _ : state) {
        for (size_t o = 0; o < stream.size(); o += kCdgPacketBytes) {
            decoder.ExecutePacket(std::span<const uint8_t, kCdgPacketBytes>(stream.data() + o, kCdgPacketBytes));
        }
        benchmark::DoNotOptimize(renderer.CurrentFrame());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kFiveMinutes));
}
BENCHMARK(BM_ExecuteDenseStreamSuppressed)->Unit(benchmark::kMillisecond);

// The same stream with every present reaching a 300 x 216 snapshot, as a live screen would.
void BM_ExecuteDenseStreamPresented(benchmark::State& state)
{
    const std::vector<uint8_t>& stream = DenseStream();
    CdgScreen renderer;
    CdgPacketDecoder decoder(&renderer);
    CdgScreenPicture screen;
    renderer.AttachWindow(&screen);
    for (auto _ : state) {
        for (size_t o = 0; o < stream.size(); o += kCdgPacketBytes) {
            decoder.ExecutePacket(std::span<const uint8_t, kCdgPacketBytes>(stream.data() + o, kCdgPacketBytes));
        }
        benchmark::DoNotOptimize(screen.Image().pixels.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kFiveMinutes));
}
BENCHMARK(BM_ExecuteDenseStreamPresented)->Unit(benchmark::kMillisecond);

// What "render --every 1" does for a five-minute stream, in three parts: interpreting and
// composing the 301 screens, encoding them as PNG, and writing the files.
enum class SeriesWork { Interpret, Encode, WriteFiles };

void RenderEverySecond(benchmark::State& state, SeriesWork work)
{
    const std::vector<uint8_t>& stream = DenseStream();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tessavox-bench-" + std::to_string(::getpid()));
    if (work == SeriesWork::WriteFiles) std::filesystem::create_directories(folder);
    size_t bytes = 0;
    for (auto _ : state) {
        CdgStreamSnapshot player(stream);
        for (uint64_t k = 0; k * kCdgPacketsPerSecond <= player.PacketCount(); ++k) {
            player.ExecuteUntil(player.PacketsAtClock(k * kCdgSampleRate));
            const RgbImage& image = player.Show();
            if (work == SeriesWork::Encode) {
                bytes += EncodePng(image).size();
            } else if (work == SeriesWork::WriteFiles) {
                player.WritePng((folder / ("frame-" + std::to_string(k) + ".png")).string());
            }
        }
    }
    if (work == SeriesWork::WriteFiles) std::filesystem::remove_all(folder);
    if (work == SeriesWork::Encode) {
        state.counters["png_kB_per_frame"] = double(bytes) / 1024.0 / double(state.iterations() * 301);
    }
}

void BM_RenderEverySecondInterpretOnly(benchmark::State& state) { RenderEverySecond(state, SeriesWork::Interpret); }
void BM_RenderEverySecondEncodePng(benchmark::State& state) { RenderEverySecond(state, SeriesWork::Encode); }
void BM_RenderEverySecondWriteFiles(benchmark::State& state) { RenderEverySecond(state, SeriesWork::WriteFiles); }
BENCHMARK(BM_RenderEverySecondInterpretOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderEverySecondEncodePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderEverySecondWriteFiles)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
