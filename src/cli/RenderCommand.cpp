// tessavox-cli render: pictures of a CD+G stream's screen, as the player shows it.
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cdg/CdgFormat.h"
#include "cli/CliCommands.h"
#include "cli/StopSignals.h"
#include "cli/CliNumbers.h"
#include "media/AtomicFile.h"
#include "player/MRwSnapshotPresenter.h"
#include "player/MRwStreamSnapshot.h"

namespace {

// About ten hours of stream; anything larger is refused rather than read into memory.
constexpr size_t kMaxStreamBytes = size_t(256) << 20;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Usage(const std::string& why)
{
    std::fprintf(stderr,
                 "render: %s\n"
                 "usage: tessavox-cli render FILE.cdg (--at SECONDS | --packet N) -o FILE.png [--scale N]\n"
                 "       tessavox-cli render FILE.cdg --every SECONDS -o FOLDER [--scale N]\n",
                 why.c_str());
    return kExitUsage;
}

int Failure(const std::string& why)
{
    std::fprintf(stderr, "render: %s\n", why.c_str());
    return kExitFailure;
}

// The player's clock, in sample frames, at a moment given in microseconds.
uint64_t ClockAt(uint64_t micros)
{
    return micros * kCdgSampleRate / kMicrosPerSecond;
}

} // namespace

int RunRenderCommand(const CliArgs& args)
{
    std::string input, output;
    std::optional<uint64_t> atMicros, everyMicros, packet;
    int scale = 1;
    int modes = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--at" || a == "--every" || a == "--packet" || a == "--scale" || a == "-o") {
            if (!hasValue) return Usage(a + " needs a value");
            const std::string& v = args[++i];
            if (a == "-o") {
                output = v;
            } else if (a == "--scale") {
                const auto n = ParseCount(v);
                if (!n || *n < 1 || *n > uint64_t(kSnapshotMaxScale)) {
                    return Usage("--scale takes a whole number from 1 to " + std::to_string(kSnapshotMaxScale));
                }
                scale = int(*n);
            } else if (a == "--packet") {
                packet = ParseCount(v);
                if (!packet) return Usage("--packet takes a packet number (0 is the first)");
                ++modes;
            } else {
                const auto micros = ParseMicroseconds(v);
                if (!micros) return Usage(a + " takes seconds, such as 12 or 0.5 (at most 6 decimals)");
                (a == "--at" ? atMicros : everyMicros) = micros;
                ++modes;
            }
        } else if (!a.empty() && a[0] == '-') {
            return Usage("unknown option \"" + a + "\"");
        } else if (input.empty()) {
            input = a;
        } else {
            return Usage("more than one stream file given");
        }
    }
    if (input.empty()) return Usage("no stream file given");
    if (modes != 1) return Usage("give exactly one of --at, --packet and --every");
    if (output.empty()) return Usage("no output given (-o)");
    // Finer than one packet would only repeat pictures.
    if (everyMicros && *everyMicros * kCdgPacketsPerSecond < kMicrosPerSecond) {
        return Usage("--every must be at least 1/300 second");
    }

    std::vector<uint8_t> stream;
    if (!ReadWholeFile(input, stream, kMaxStreamBytes)) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(input, ec) && std::filesystem::file_size(input, ec) > kMaxStreamBytes) {
            return Failure("\"" + input + "\" is larger than " + std::to_string(kMaxStreamBytes >> 20) +
                           " MB, too large for a CD+G stream");
        }
        return Failure("cannot read \"" + input + "\"");
    }

    MRwStreamSnapshot player(stream, scale);
    if (packet) {
        if (*packet >= player.PacketCount()) {
            return Failure("packet " + std::to_string(*packet) + " is beyond the end of the stream (it has " +
                           std::to_string(player.PacketCount()) + " packets)");
        }
        player.ExecuteUntil(size_t(*packet) + 1);
        player.Show();
        if (!player.WritePng(output)) return Failure("cannot write \"" + output + "\"");
        return 0;
    }
    if (atMicros) {
        player.ExecuteUntil(player.PacketsAtClock(ClockAt(*atMicros)));
        player.Show();
        if (!player.WritePng(output)) return Failure("cannot write \"" + output + "\"");
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
        if (!player.WritePng(path)) return Failure("cannot write \"" + path + "\"");
    }
    return 0;
}
