// CPU cost of the player's feeder: reading the work file, turning it into 16-bit stereo and, with
// a tempo change, stretching it with SoundTouch, one 30,576-byte segment at a time. The music is
// 20 s of a two-tone 16-bit stereo work file in memory (the reader's disk side is measured by
// WaveStreamBench). The counters say how many seconds of audio one CPU second produces
// ("x_realtime") and the CPU time each second of audio costs ("cpu_per_audio_second").
// The 8-bit mono case shows the cost of the conversion alone.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "audio/PlaybackFeed.h"
#include "media/WavConstants.h"
#include "media/WaveFormat.h"

namespace {

constexpr uint32_t kRate = kPlaybackSampleRate;
constexpr int kSeconds = 20;

// A plain RIFF/WAVE file in memory: format chunk, data chunk.
std::vector<uint8_t> WorkFile(uint16_t channels, uint16_t bits)
{
    const size_t frames = size_t(kRate) * kSeconds;
    const uint32_t frameBytes = uint32_t(channels) * bits / 8;
    const uint32_t dataBytes = uint32_t(frames * frameBytes);
    std::vector<uint8_t> file(44 + dataBytes);
    auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) file[at + size_t(i)] = uint8_t(v >> (8 * i)); };
    std::memcpy(file.data(), "RIFF", 4);
    put32(4, uint32_t(file.size() - 8));
    std::memcpy(file.data() + 8, "WAVEfmt ", 8);
    put32(16, WaveFormat::kBytes);
    WaveFormat format;
    format.formatTag = kWaveFormatPcm;
    format.channels = channels;
    format.sampleRate = kRate;
    format.blockAlign = uint16_t(frameBytes);
    format.byteRate = kRate * frameBytes;
    format.bitsPerSample = bits;
    format.ToBytes(file.data() + 20);
    std::memcpy(file.data() + 36, "data", 4);
    put32(40, dataBytes);
    uint8_t* p = file.data() + 44;
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        for (uint16_t c = 0; c < channels; ++c) {
            const double v = 0.4 * std::sin(2.0 * M_PI * (c ? 554.0 : 440.0) * t);
            if (bits == kBits8) {
                *p++ = uint8_t(std::lround(kSample8Centre + 127.0 * v));
            } else {
                const auto s = int16_t(std::lround(32767.0 * v));
                *p++ = uint8_t(s & 0xFF);
                *p++ = uint8_t((s >> 8) & 0xFF);
            }
        }
    }
    return file;
}

void Feed(benchmark::State& state, const std::vector<uint8_t>& file, int tempo)
{
    std::vector<int16_t> segment(size_t(kSegmentFrames) * 2);
    double audioSeconds = 0;
    for (auto _ : state) {
        PlaybackFeed feed;
        if (!feed.Open(file, 0)) {
            state.SkipWithError(feed.FailureText().c_str());
            return;
        }
        size_t frames = 0;
        for (;;) {
            const size_t n = feed.Next(segment, tempo);
            benchmark::DoNotOptimize(segment.data());
            frames += n;
            if (n < kSegmentFrames) break;
        }
        audioSeconds += double(frames) / kRate;
    }
    state.counters["x_realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
    state.counters["cpu_per_audio_second"] =
        benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_FeedStereo16(benchmark::State& state)
{
    static const std::vector<uint8_t> file = WorkFile(2, 16);
    Feed(state, file, int(state.range(0)));
}
BENCHMARK(BM_FeedStereo16)->Arg(0)->Arg(-10)->Arg(-20)->Arg(-50)->Unit(benchmark::kMillisecond);

void BM_FeedMono8(benchmark::State& state)
{
    static const std::vector<uint8_t> file = WorkFile(1, 8);
    Feed(state, file, int(state.range(0)));
}
BENCHMARK(BM_FeedMono8)->Arg(0)->Arg(-20)->Unit(benchmark::kMillisecond);

} // namespace
