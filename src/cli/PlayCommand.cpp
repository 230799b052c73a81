// tessavox-cli play: plays a work file (and a CD+G stream against its clock) without a display.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/AudioOutputChoice.h"
#include "audio/AudioOutput.h"
#include "audio/ManualResetEvent.h"
#include "audio/PlaybackFeed.h"
#include "cdg/CdgFormat.h"
#include "cli/CliConsole.h"
#include "cli/CliCommands.h"
#include "cli/CliFiles.h"
#include "cli/CliNumbers.h"
#include "cli/CliOptions.h"
#include "cdg/WriteRwMemory.h"
#include "document/ExportSnapshot.h"
#include "document/SongDocument.h"
#include "cli/CliProject.h"
#include "cli/StderrUserPrompt.h"
#include "cli/StopSignals.h"
#include "media/AtomicFile.h"
#include "player/KaraokePlayer.h"
#include "player/CdgPacketScheduler.h"
#include "player/CdgScreen.h"
#include "player/CdgScreenPicture.h"
#include "project/KaraokeSong.h"
#include <poll.h>
#include <unistd.h>

namespace {

constexpr const char* kUsage =
    "Usage: tessavox-cli play FILE.wav [--cdg FILE.cdg] [--from SECONDS] [--to SECONDS]\n"
    "                         [--tempo -50..0] [--lead-in SECONDS] [--snapshot OUT.png [--scale N]]\n"
    "       tessavox-cli play SONG.tvx [--from SECONDS] [--tempo 50..100] [--seconds N]\n"
    "A project plays its music with its whole stream; times are music time, and the line being sung\n"
    "is shown every half second. Enter, Ctrl+C, the end of the song or --seconds stops it.\n";
constexpr auto kSongReportEvery = std::chrono::milliseconds(500);
// About ten hours of stream; anything larger is refused rather than read into memory.
constexpr size_t kMaxStreamBytes = size_t(256) << 20;
// The clock goes up to 2^32 - 2 frames (kPlayToEnd is taken): a little over 27 hours.
constexpr uint64_t kMaxClockFrames = uint64_t(kPlayToEnd) - 1;
constexpr auto kPollStep = std::chrono::milliseconds(50);
constexpr auto kReportEvery = std::chrono::seconds(1);
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr uint32_t kMillisPerSecond = 1000;
constexpr uint32_t kSecondsPerMinute = 60;

int Usage(const std::string& why)
{
    CliConsole::Error("tessavox-cli play: %s\n%s", why.c_str(), kUsage);
    return kExitUsage;
}

int Failure(const std::string& why)
{
    CliConsole::Error("tessavox-cli play: %s\n", why.c_str());
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
    std::optional<uint64_t> seconds;
};

// "mm:ss.cc" of a music time in frames, and the line whose words span it.
std::string SongReport(const KaraokeSong& song, uint32_t clock, uint32_t leadIn)
{
    const int64_t t = int64_t(clock) - leadIn;
    const uint64_t hundredths = t > 0 ? uint64_t(t) * 100 / kCdgSampleRate : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02llu:%02llu.%02llu", (unsigned long long)(hundredths / 6000),
                  (unsigned long long)(hundredths / 100 % 60), (unsigned long long)(hundredths % 100));
    std::string line;
    for (const auto& l : song.lines) {
        if (l->words.empty()) continue;
        if (int64_t(l->words.front()->start) <= t && t <= int64_t(l->words.back()->end)) {
            line = l->text;
            break;
        }
    }
    return std::string(text) + (line.empty() ? "" : "  " + line);
}

// True once the user pressed Enter on a terminal.
bool EnterPressed()
{
    if (!::isatty(STDIN_FILENO)) return false;
    pollfd in{STDIN_FILENO, POLLIN, 0};
    if (::poll(&in, 1, 0) <= 0 || !(in.revents & POLLIN)) return false;
    char buffer[64];
    return ::read(STDIN_FILENO, buffer, sizeof buffer) > 0;
}

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

void Report(const char* label, const KaraokePlayer& player)
{
    const uint32_t clock = player.Position();
    const unsigned long long packets = player.CdgPlayer() ? player.CdgPlayer()->ExecutedPackets() : 0;
    std::printf("%s %u (%s) packets %llu\n", label, clock, ClockText(clock).c_str(), packets);
    std::fflush(stdout);
}

std::optional<int> ParseArgs(const CliArgs& args, PlayOptions& o)
{
    CliOptions options("play", kUsage,
                       {{"cdg"}, {"from"}, {"to"}, {"tempo"}, {"lead-in"}, {"snapshot"}, {"scale"}, {"seconds"}});
    if (const auto status = CliOptions::ExitFor(options.Parse(args))) return status;
    if (options.Operands().size() > 1) return Usage("more than one music file given");
    if (!options.Operands().empty()) o.music = options.Operands()[0];
    o.cdg = options.Value("cdg");
    o.snapshot = options.Value("snapshot");
    if (options.Has("tempo")) {
        // A change (-50 to 0) or, as the views show it, a speed (50 to 100 percent).
        const std::string v = options.Value("tempo");
        auto t = ParseInt(v, kMinTempoChange, kMaxTempoChange);
        if (!t) {
            if (const auto speed = ParseInt(v, 100 + kMinTempoChange, 100)) t = *speed - 100;
        }
        if (!t) return Usage("--tempo takes a change from -50 to 0, or a speed from 50 to 100 percent");
        o.tempo = *t;
    }
    if (options.Has("seconds")) {
        const auto n = ParseCount(options.Value("seconds"));
        if (!n || *n == 0) return Usage("--seconds takes a whole number of seconds");
        o.seconds = *n;
    }
    if (options.Has("scale")) {
        const auto n = ParseCount(options.Value("scale"));
        if (!n || *n < 1 || *n > uint64_t(kSnapshotMaxScale))
            return Usage("--scale takes a whole number from 1 to " + std::to_string(kSnapshotMaxScale));
        o.scale = int(*n);
    }
    for (const char* name : {"from", "to", "lead-in"}) {
        if (!options.Has(name)) continue;
        const auto micros = ParseMicroseconds(options.Value(name));
        if (!micros) return Usage(std::string("--") + name + " takes seconds, such as 12 or 0.5 (at most 6 decimals)");
        const std::string n = name;
        if (n == "from") o.fromMicros = micros;
        else if (n == "to") o.toMicros = micros;
        else o.leadInMicros = *micros;
    }
    if (o.music.empty()) return Usage("no music file given");
    if (!o.snapshot.empty() && o.cdg.empty() && !IsProjectPath(o.music))
        return Usage("--snapshot needs a CD+G stream (--cdg)");
    if (o.fromMicros && o.toMicros && *o.toMicros <= *o.fromMicros) return Usage("--to must come after --from");
    return std::nullopt;
}

} // namespace

int RunPlayCommand(const CliArgs& args)
{
    PlayOptions o;
    if (const auto bad = ParseArgs(args, o)) return *bad;

    // A project: its music as the window loads it, and its whole stream with the lead-in.
    StderrUserPrompt prompt;
    prompt.SetCommand("play");
    std::unique_ptr<SongDocument> doc;
    std::unique_ptr<ExportSnapshot> snapshot;
    const KaraokeSong* song = nullptr;
    uint32_t songLeadIn = 0;
    uint32_t songMusicBytes = kFileLength;
    std::vector<uint8_t> stream;
    if (IsProjectPath(o.music)) {
        doc = std::make_unique<SongDocument>();
        if (!OpenCliProject(*doc, o.music, prompt)) return kExitFailure;
        const WorkOutcome loaded = doc->LoadProjectMusic([](int) { return !StopSignals::Requested(); });
        if (!loaded) return StopSignals::Requested() ? Failure("stopped") : Failure(loaded.message);
        // The stream as the exports write it: from a snapshot with the final text, whose lines
        // the report follows.
        snapshot = std::make_unique<ExportSnapshot>(*doc);
        song = &snapshot->Song();
        const SongStream written = WriteRwMemory(*song);
        songLeadIn = written.leadIn;
        songMusicBytes = written.musicBytes;
        stream.assign(written.Used().begin(), written.Used().end());
        o.music = song->MusicWorkPath();
        o.leadInMicros = uint64_t(songLeadIn) * kMicrosPerSecond / kCdgSampleRate;
        // Times given are music time: the clock counts from the start of the lead-in.
        if (o.fromMicros) *o.fromMicros += o.leadInMicros;
    }
    const auto startFrame = FramesAt(o.fromMicros.value_or(0));
    const auto endFrame = o.toMicros ? FramesAt(*o.toMicros) : std::optional<uint64_t>(kPlayToEnd);
    const auto leadIn = song ? std::optional<uint64_t>(songLeadIn) : FramesAt(o.leadInMicros);
    if (!startFrame || !endFrame || !leadIn) return Usage("times must stay below 27 hours");
    if (!o.cdg.empty() && !ReadWholeFile(o.cdg, stream, kMaxStreamBytes)) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(o.cdg, ec) && std::filesystem::file_size(o.cdg, ec) > kMaxStreamBytes)
            return Failure("\"" + o.cdg + "\" is larger than " + std::to_string(kMaxStreamBytes >> 20) +
                           " MB, too large for a CD+G stream");
        return Failure(o.cdg + ": " + ReadFailureReason(o.cdg));
    }

    CdgScreen renderer;
    ManualResetEvent done;
    KaraokePlayer player(&prompt, &renderer);
    player.SetSource(o.music, stream, songMusicBytes);
    player.SetLeadInFrames(uint32_t(*leadIn));
    player.SetTempoChange(o.tempo);
    player.SetDoneEvent(&done);

    uint32_t flags = kPlayAudio | kPlayCallerFlag;
    if (!stream.empty()) {
        flags |= kPlayGraphics;
        // The screen must show what the stream drew before the start, as a view's seek does.
        CdgPacketScheduler& cdg = player.MakeCdgPlayer();
        cdg.SetStream(stream);
        cdg.CatchUp(uint32_t(*startFrame));
    }

    if (!player.Start(flags, uint32_t(*startFrame), uint32_t(*endFrame))) {
        // The prompt has told why; for a missing device the cause and the way round it too.
        if (player.LastStartFailure() == KaraokePlayer::StartFailure::NoSoundDevice) {
            CliConsole::Error("tessavox-cli play: %s\n", player.FailureText().c_str());
            CliConsole::Error("tessavox-cli play: with %s=%s it plays without a sound card\n", kAudioOutputVariable,
                              kAudioOutputNull);
        }
        return kExitFailure;
    }

    const auto begun = std::chrono::steady_clock::now();
    const auto every = song ? std::chrono::duration_cast<std::chrono::steady_clock::duration>(kSongReportEvery)
                            : std::chrono::duration_cast<std::chrono::steady_clock::duration>(kReportEvery);
    auto nextReport = begun + every;
    bool interrupted = false;
    while (!done.WaitFor(std::chrono::duration_cast<std::chrono::milliseconds>(kPollStep))) {
        if (StopSignals::Requested() || EnterPressed()) {
            interrupted = true;
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        if (o.seconds && now - begun >= std::chrono::seconds(*o.seconds)) break;
        if (now >= nextReport) {
            if (song) {
                std::printf("%s\n", SongReport(*song, player.Position(), songLeadIn).c_str());
                std::fflush(stdout);
            } else {
                Report("clock", player);
            }
            nextReport += every;
        }
    }
    player.Stop();
    if (interrupted) CliConsole::Error("tessavox-cli play: stopped\n");
    Report("final clock", player);

    const std::string readFailure = player.FailureText();
    if (!readFailure.empty()) CliConsole::Error("tessavox-cli play: %s\n", readFailure.c_str());

    if (!o.snapshot.empty()) {
        CdgScreenPicture snapshot(o.scale);
        renderer.AttachWindow(&snapshot);
        renderer.PresentAll();
        const bool written = snapshot.WritePng(o.snapshot);
        renderer.DetachWindows();
        if (!written) return Failure("cannot write \"" + o.snapshot + "\"");
    }
    player.Release();
    if (!readFailure.empty()) return kExitFailure;
    // A stop signal's status is the program's to give.
    return 0;
}
