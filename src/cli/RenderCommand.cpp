// tessavox-cli render: pictures of a CD+G stream's screen, as the player shows it.
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cdg/CdgFormat.h"
#include "cli/CliConsole.h"
#include "cli/CliCommands.h"
#include "cli/CliFiles.h"
#include "cli/CliOptions.h"
#include "document/OutputGate.h"
#include "cli/PictureOutput.h"
#include "cli/StopSignals.h"
#include "cli/CliNumbers.h"
#include "media/AtomicFile.h"
#include "player/CdgScreenPicture.h"
#include "player/CdgStreamSnapshot.h"

namespace {

// About ten hours of stream; anything larger is refused rather than read into memory.
constexpr size_t kMaxStreamBytes = size_t(256) << 20;
constexpr int kExitFailure = 1;

constexpr const char* kUsage =
    "Usage: tessavox-cli render FILE.cdg (--at SECONDS | --packet N) -o PICTURE [--scale N]\n"
    "       tessavox-cli render FILE.cdg --every SECONDS -o FOLDER [--scale N]\n"
    "The screen of a CD+G stream at a moment of the player's clock (packets before SECONDS x 300) or\n"
    "after packet N, as PNG (.png, or - for standard output) or JPEG (.jpg); or a numbered PNG series\n"
    "in FOLDER, one picture every SECONDS. FILE.cdg - reads the stream from standard input.\n";

int Failure(const std::string& why)
{
    CliConsole::Error("tessavox-cli render: %s\n", why.c_str());
    return kExitFailure;
}

// Standard input, whole, up to maxBytes.
bool ReadStandardInput(std::vector<uint8_t>& out, size_t maxBytes)
{
    out.clear();
    uint8_t chunk[1 << 16];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, stdin);
        out.insert(out.end(), chunk, chunk + got);
        if (out.size() > maxBytes) return false;
        if (got < sizeof chunk) return !std::ferror(stdin);
    }
}

// The player's clock, in sample frames, at a moment given in microseconds.
uint64_t ClockAt(uint64_t micros)
{
    return micros * kCdgSampleRate / kMicrosPerSecond;
}

} // namespace

int RunRenderCommand(const CliArgs& args)
{
    CliOptions options("render", kUsage, {{"at"}, {"every"}, {"packet"}, {"scale"}, {"output", 'o'}, {"force", 0, false}});
    if (const auto status = CliOptions::ExitFor(options.Parse(args))) return *status;
    const auto Usage = [&options](const std::string& why) { return options.Refuse(why); };
    if (options.Operands().empty()) return Usage("no stream file given");
    if (options.Operands().size() > 1) return Usage("more than one stream file given");
    const std::string input = options.Operands()[0];
    if (IsProjectPath(input))
        return Usage(input + " is a project, not a CD+G stream: export it (tessavox-cli export " + input +
                     " -o SONG.mp3) and render SONG.cdg");
    const std::string output = options.Value("output");
    std::optional<uint64_t> atMicros, everyMicros, packet;
    int scale = 1;
    const int modes = int(options.Has("at")) + int(options.Has("every")) + int(options.Has("packet"));
    if (options.Has("scale")) {
        const auto n = ParseCount(options.Value("scale"));
        if (!n || *n < 1 || *n > uint64_t(kSnapshotMaxScale))
            return Usage("--scale takes a whole number from 1 to " + std::to_string(kSnapshotMaxScale));
        scale = int(*n);
    }
    if (options.Has("packet")) {
        packet = ParseCount(options.Value("packet"));
        if (!packet) return Usage("--packet takes a packet number (0 is the first)");
    }
    for (const char* name : {"at", "every"}) {
        if (!options.Has(name)) continue;
        const auto micros = ParseMicroseconds(options.Value(name));
        if (!micros) return Usage(std::string("--") + name + " takes seconds, such as 12 or 0.5 (at most 6 decimals)");
        (std::string(name) == "at" ? atMicros : everyMicros) = micros;
    }
    if (modes != 1) return Usage("give exactly one of --at, --packet and --every");
    if (output.empty()) return Usage("no output given (-o)");
    if (!everyMicros && !IsPictureOutput(output))
        return Usage("the picture must end in .png, .jpg or .jpeg (or be - for standard output)");
    // Finer than one packet would only repeat pictures.
    if (everyMicros && *everyMicros * kCdgPacketsPerSecond < kMicrosPerSecond) {
        return Usage("--every must be at least 1/300 second");
    }

    OutputGate gate(options.Has("force") ? OutputGate::Existing::Replace : OutputGate::Existing::Refuse);
    gate.AddInput(input == "-" ? std::string() : input, "the stream being drawn");
    if (!everyMicros && !OutputsAllowed("render", gate, {output})) return 1;

    std::vector<uint8_t> stream;
    if (input == "-") {
        if (!ReadStandardInput(stream, kMaxStreamBytes))
            return Failure("standard input: cannot read it, or it is larger than " +
                           std::to_string(kMaxStreamBytes >> 20) + " MB");
    } else if (!ReadWholeFile(input, stream, kMaxStreamBytes)) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(input, ec) && std::filesystem::file_size(input, ec) > kMaxStreamBytes) {
            return Failure(input + ": larger than " + std::to_string(kMaxStreamBytes >> 20) +
                           " MB, too large for a CD+G stream");
        }
        return Failure(input + ": " + ReadFailureReason(input));
    }

    CdgStreamSnapshot player(stream, scale);
    if (packet) {
        if (*packet >= player.PacketCount()) {
            return Failure("packet " + std::to_string(*packet) + " is beyond the end of the stream (it has " +
                           std::to_string(player.PacketCount()) + " packets)");
        }
        player.ExecuteUntil(size_t(*packet) + 1);
        player.Show();
        std::string why;
        if (!WritePicture(OutputGate::WriteTarget(output), player.Image(), why)) return Failure(why);
        return 0;
    }
    if (atMicros) {
        const uint64_t lengthMicros = uint64_t(player.PacketCount()) * kMicrosPerSecond / kCdgPacketsPerSecond;
        if (*atMicros > lengthMicros) {
            char text[160];
            std::snprintf(text, sizeof text, "%s: %.3f s is beyond the end of the stream (it lasts %.3f s)",
                          input.c_str(), double(*atMicros) / kMicrosPerSecond, double(lengthMicros) / kMicrosPerSecond);
            return Failure(text);
        }
        player.ExecuteUntil(player.PacketsAtClock(ClockAt(*atMicros)));
        player.Show();
        std::string why;
        if (!WritePicture(OutputGate::WriteTarget(output), player.Image(), why)) return Failure(why);
        return 0;
    }

    // A series: picture k shows the screen at k x SECONDS, up to the end of the stream.
    std::error_code ec;
    std::filesystem::create_directories(output, ec);
    if (!std::filesystem::is_directory(output, ec)) return Failure("cannot make the folder \"" + output + "\"");
    const uint64_t lengthMicros = uint64_t(player.PacketCount()) * kMicrosPerSecond / kCdgPacketsPerSecond;
    // A stop signal ends the series between pictures: every picture written is whole.
    for (uint64_t k = 0; k * *everyMicros <= lengthMicros && !StopSignals::Requested(); ++k) {
        player.ExecuteUntil(player.PacketsAtClock(ClockAt(k * *everyMicros)));
        player.Show();
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06" PRIu64 ".png", k);
        const std::string path = (std::filesystem::path(output) / name).string();
        if (!OutputsAllowed("render", gate, {path})) return 1;
        if (!player.WritePng(path)) return Failure("cannot write \"" + path + "\"");
    }
    return 0;
}
