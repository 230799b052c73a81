// tessavox-cli play: plays a work file (and a CD+G stream against its clock) without a display.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "audio/AudioOutput.h"
#include "audio/MCdgPlayer.h"
#include "audio/ManualResetEvent.h"
#include "audio/PlaybackFeed.h"
#include "cdg/CdgFormat.h"
#include "cli/CliCommands.h"
#include "cli/CliNumbers.h"
#include "cli/StderrUserPrompt.h"
#include "media/AtomicFile.h"
#include "player/MRwPlayer.h"
#include "player/MRwRenderer.h"
#include "player/MRwSnapshotPresenter.h"

namespace {

constexpr const char* kUsage =
    "usage: tessavox-cli play FILE.wav [--cdg FILE.cdg] [--from SECONDS] [--to SECONDS]\n"
    "                         [--tempo -50..0] [--lead-in SECONDS] [--snapshot OUT.png [--scale N]]\n";
// About ten hours of stream; anything larger is refused rather than read into memory.
constexpr size_t kMaxStreamBytes = size_t(256) << 20;
// The clock goes up to 2^32 - 2 frames (kPlayToEnd is taken): a little over 27 hours.
constexpr uint64_t kMaxClockFrames = uint64_t(kPlayToEnd) - 1;
constexpr auto kPollStep = std::chrono::milliseconds(50);
constexpr auto kReportEvery = std::chrono::seconds(1);
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// As a shell reports a command ended by Ctrl+C.
constexpr int kExitInterrupted = 130;
constexpr uint32_t kMillisPerSecond = 1000;
constexpr uint32_t kSecondsPerMinute = 60;

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int)
{
    g_interrupted = 1;
}

int Usage(const std::string& why)
{
    std::fprintf(stderr, "play: %s\n%s", why.c_str(), kUsage);
    return kExitUsage;
}

int Failure(const std::string& why)
{
    std::fprintf(stderr, "play: %s\n", why.c_str());
    return kExitFailure;
}

struct PlayOptions {
    std::string music;
    std::string cdg;
    std::string snapshot;
    std::optional<uint64_t> fromMicros, toMicros;
    uint64_t leadInMicros = 0;
    int tempo = 0;
    int scale = 1;
};

std::optional<uint64_t> FramesAt(uint64_t micros)
{
    const uint64_t frames = micros * kCdgSampleRate / kMicrosPerSecond;
    if (frames > kMaxClockFrames) return std::nullopt;
    return frames;
}

// "m:ss.mmm" of a clock value.
std::string ClockText(uint32_t frames)
{
    const uint64_t millis = uint64_t(frames) * kMillisPerSecond / kCdgSampleRate;
    char text[48];
    std::snprintf(text, sizeof text, "%llu:%02llu.%03llu", (unsigned long long)(millis / kMillisPerSecond / kSecondsPerMinute),
                  (unsigned long long)(millis / kMillisPerSecond % kSecondsPerMinute),
                  (unsigned long long)(millis % kMillisPerSecond));
    return text;
}

void Report(const char* label, const MCdgPlayer& player)
{
    const uint32_t clock = player.Position();
    const unsigned long long packets = player.CdgPlayer() ? player.CdgPlayer()->ExecutedPackets() : 0;
    std::printf("%s %u (%s) packets %llu\n", label, clock, ClockText(clock).c_str(), packets);
    std::fflush(stdout);
}

std::optional<int> ParseArgs(const CliArgs& args, PlayOptions& o)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--cdg" || a == "--from" || a == "--to" || a == "--tempo" || a == "--lead-in" ||
            a == "--snapshot" || a == "--scale") {
            if (i + 1 >= args.size()) return Usage(a + " needs a value");
            const std::string& v = args[++i];
            if (a == "--cdg") {
                o.cdg = v;
            } else if (a == "--snapshot") {
                o.snapshot = v;
            } else if (a == "--tempo") {
                const auto t = ParseInt(v, kMinTempoChange, kMaxTempoChange);
                if (!t) return Usage("--tempo takes a change in percent from -50 (half speed) to 0 (normal speed)");
                o.tempo = *t;
            } else if (a == "--scale") {
                const auto n = ParseCount(v);
                if (!n || *n < 1 || *n > uint64_t(kSnapshotMaxScale))
                    return Usage("--scale takes a whole number from 1 to " + std::to_string(kSnapshotMaxScale));
                o.scale = int(*n);
            } else {
                const auto micros = ParseMicroseconds(v);
                if (!micros) return Usage(a + " takes seconds, such as 12 or 0.5 (at most 6 decimals)");
                if (a == "--from") o.fromMicros = micros;
                else if (a == "--to") o.toMicros = micros;
                else o.leadInMicros = *micros;
            }
        } else if (!a.empty() && a[0] == '-') {
            return Usage("unknown option \"" + a + "\"");
        } else if (o.music.empty()) {
            o.music = a;
        } else {
            return Usage("more than one music file given");
        }
    }
    if (o.music.empty()) return Usage("no music file given");
    if (!o.snapshot.empty() && o.cdg.empty()) return Usage("--snapshot needs a CD+G stream (--cdg)");
    if (o.fromMicros && o.toMicros && *o.toMicros <= *o.fromMicros) return Usage("--to must come after --from");
    return std::nullopt;
}

} // namespace

int RunPlayCommand(const CliArgs& args)
{
    PlayOptions o;
    if (const auto bad = ParseArgs(args, o)) return *bad;

    const auto startFrame = FramesAt(o.fromMicros.value_or(0));
    const auto endFrame = o.toMicros ? FramesAt(*o.toMicros) : std::optional<uint64_t>(kPlayToEnd);
    const auto leadIn = FramesAt(o.leadInMicros);
    if (!startFrame || !endFrame || !leadIn) return Usage("times must stay below 27 hours");

    std::vector<uint8_t> stream;
    if (!o.cdg.empty() && !ReadWholeFile(o.cdg, stream, kMaxStreamBytes)) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(o.cdg, ec) && std::filesystem::file_size(o.cdg, ec) > kMaxStreamBytes)
            return Failure("\"" + o.cdg + "\" is larger than " + std::to_string(kMaxStreamBytes >> 20) +
                           " MB, too large for a CD+G stream");
        return Failure("cannot read \"" + o.cdg + "\"");
    }

    StderrUserPrompt prompt;
    MRwRenderer renderer;
    ManualResetEvent done;
    MCdgPlayer player(&prompt, &renderer);
    player.SetSource(o.music, stream);
    player.SetLeadInFrames(uint32_t(*leadIn));
    player.SetTempoChange(o.tempo);
    player.SetDoneEvent(&done);

    uint32_t flags = kPlayAudio | kPlayCallerFlag;
    if (!stream.empty()) {
        flags |= kPlayGraphics;
        // The screen must show what the stream drew before the start, as a view's seek does.
        MRwPlayer& cdg = player.MakeCdgPlayer();
        cdg.SetStream(stream);
        cdg.CatchUp(uint32_t(*startFrame));
    }

    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    if (!player.Start(flags, uint32_t(*startFrame), uint32_t(*endFrame))) {
        // The prompt has told why; for a missing device the cause and the way round it too.
        if (player.LastStartFailure() == MCdgPlayer::StartFailure::NoSoundDevice) {
            std::fprintf(stderr, "play: %s\n", player.FailureText().c_str());
            std::fprintf(stderr, "play: with %s=%s it plays without a sound card\n", kAudioOutputVariable,
                         kAudioOutputNull);
        }
        return kExitFailure;
    }

    const auto begun = std::chrono::steady_clock::now();
    auto nextReport = begun + kReportEvery;
    bool interrupted = false;
    while (!done.WaitFor(std::chrono::duration_cast<std::chrono::milliseconds>(kPollStep))) {
        if (g_interrupted) {
            interrupted = true;
            break;
        }
        if (std::chrono::steady_clock::now() >= nextReport) {
            Report("clock", player);
            nextReport += kReportEvery;
        }
    }
    player.Stop();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (interrupted) std::fprintf(stderr, "play: stopped\n");
    Report("final clock", player);

    const std::string readFailure = player.FailureText();
    if (!readFailure.empty()) std::fprintf(stderr, "play: %s\n", readFailure.c_str());

    if (!o.snapshot.empty()) {
        MRwSnapshotPresenter snapshot(o.scale);
        renderer.AttachWindow(&snapshot);
        renderer.PresentAll();
        const bool written = snapshot.WritePng(o.snapshot);
        renderer.DetachWindows();
        if (!written) return Failure("cannot write \"" + o.snapshot + "\"");
    }
    player.Release();
    if (!readFailure.empty()) return kExitFailure;
    return interrupted ? kExitInterrupted : 0;
}
