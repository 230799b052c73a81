// tessavox-cli encode and bin: the export pieces that need no stream writer, from files.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "audio/EncodeMp3.h"
#include "audio/EncodeWma.h"
#include "audio/EnsureMp3Encoder.h"
#include "cdg/ExportBin.h"
#include "cli/CliConsole.h"
#include "cli/CliCommands.h"
#include "cli/CliFiles.h"
#include "cli/CliNumbers.h"
#include "cli/CliOptions.h"
#include "cli/CliText.h"
#include "cli/ProgressLine.h"
#include "cli/StderrUserPrompt.h"
#include "cli/StopSignals.h"
#include "document/OutputGate.h"
#include "media/AtomicFile.h"
#include "media/WaveStreamReader.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr size_t kMaxDigits = 10;
// About ten hours of stream; anything larger is refused rather than read into memory.
constexpr size_t kMaxStreamBytes = size_t(256) << 20;
constexpr uint32_t kSectorsPerSecond = 75;
constexpr uint32_t kSecondsPerMinute = 60;

const char* const kEncodeUsage =
    "Usage: tessavox-cli encode WORK.wav -o OUT.mp3|OUT.wma [--kbps N] [--lead-in FRAMES] [--tail FRAMES]\n"
    "                           [--title T] [--artist A] [--force]\n";
const char* const kBinUsage = "Usage: tessavox-cli bin WORK.wav STREAM.cdg -o OUT.bin [--lead-in FRAMES] [--force]\n";

int Usage(const char* command, const char* usage, const std::string& why)
{
    CliConsole::Error("tessavox-cli %s: %s\n%s", command, why.c_str(), usage);
    return kExitUsage;
}

int Failure(const char* command, const std::string& why)
{
    CliConsole::Error("tessavox-cli %s: %s\n", command, why.c_str());
    return kExitFailure;
}

std::optional<uint32_t> ParseFrames(const std::string& text)
{
    if (text.size() > kMaxDigits) return std::nullopt;
    const std::optional<uint64_t> v = ParseCount(text);
    if (!v || *v > UINT32_MAX) return std::nullopt;
    return uint32_t(*v);
}

std::string LowerExtension(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

std::string RateList(const int* first, const int* last)
{
    std::string list;
    for (const int* r = first; r != last; ++r) list += (list.empty() ? "" : ", ") + std::to_string(*r);
    return list;
}

} // namespace

int RunEncodeCommand(const CliArgs& args)
{
    constexpr const char* kName = "encode";
    AudioEncodeOptions options;
    CliOptions parsed(kName, kEncodeUsage,
                      {{"output", 'o'}, {"kbps"}, {"bitrate"}, {"lead-in"}, {"tail"}, {"title"}, {"artist"}, {"force", 0, false}});
    if (const auto status = CliOptions::ExitFor(parsed.Parse(args))) return *status;
    if (parsed.Operands().size() > 1) return Usage(kName, kEncodeUsage, "more than one work file given");
    const std::string input = parsed.Operands().empty() ? std::string() : parsed.Operands()[0];
    const std::string output = parsed.Value("output");
    if (parsed.Has("title")) options.title = CliText(parsed.Value("title"));
    if (parsed.Has("artist")) options.artist = CliText(parsed.Value("artist"));
    std::optional<int> kbps;
    for (const char* name : {"kbps", "bitrate", "lead-in", "tail"}) {
        if (!parsed.Has(name)) continue;
        const auto n = ParseFrames(parsed.Value(name));
        const std::string a = std::string("--") + name;
        if (!n) return Usage(kName, kEncodeUsage, a + " takes a whole number");
        if (a == "--kbps" || a == "--bitrate") kbps = int(std::min<uint32_t>(*n, INT32_MAX));
        else (a == "--lead-in" ? options.leadInFrames : options.tailFrames) = *n;
    }
    if (input.empty()) return Usage(kName, kEncodeUsage, "no work file given");
    if (output.empty()) return Usage(kName, kEncodeUsage, "no output given (-o)");
    const std::string ext = LowerExtension(output);
    const bool mp3 = ext == ".mp3";
    if (!mp3 && ext != ".wma") return Usage(kName, kEncodeUsage, "the output must end in .mp3 or .wma");
    options.kbps = kbps.value_or(128);
    const int* first = mp3 ? std::begin(kMp3BitRates) : std::begin(kWmaBitRates);
    const int* last = mp3 ? std::end(kMp3BitRates) : std::end(kWmaBitRates);
    if (std::find(first, last, options.kbps) == last)
        return Usage(kName, kEncodeUsage, std::string(mp3 ? "MP3" : "WMA") + " bit rates are " + RateList(first, last));

    OutputGate gate(parsed.Has("force") ? OutputGate::Existing::Replace : OutputGate::Existing::Refuse);
    gate.AddInput(input, "the work file being encoded");
    if (!OutputsAllowed(kName, gate, {output})) return kExitFailure;

    // Only a WAV work file: anything else would be taken for raw samples and encoded as noise.
    {
        WaveStreamReader work;
        if (!work.Open(input))
            return Failure(kName, "\"" + input + "\" is not a WAV work file (" + work.FailureText() +
                                      "); tessavox-cli new decodes music into one");
    }

    StderrUserPrompt prompt;
    ProgressLine line("Compressing Audio...");
    options.progress = [&line](int percent) { return line(percent) && !StopSignals::Requested(); };
    std::string failure;
    if (mp3) {
        Mp3NoticeSettings notices;
        if (!EnsureMp3Encoder(prompt, notices)) return Failure(kName, "MP3 encoding is not available");
        if (!EncodeMp3(input, OutputGate::WriteTarget(output), options, &failure)) return Failure(kName, failure);
    } else if (!EncodeWma(input, OutputGate::WriteTarget(output), options, &failure)) {
        return Failure(kName, failure);
    }
    return 0;
}

int RunBinCommand(const CliArgs& args)
{
    constexpr const char* kName = "bin";
    CliOptions parsed(kName, kBinUsage, {{"output", 'o'}, {"lead-in"}, {"force", 0, false}});
    if (const auto status = CliOptions::ExitFor(parsed.Parse(args))) return *status;
    const std::vector<std::string>& inputs = parsed.Operands();
    const std::string output = parsed.Value("output");
    uint32_t leadIn = 0;
    if (parsed.Has("lead-in")) {
        const auto n = ParseFrames(parsed.Value("lead-in"));
        if (!n) return Usage(kName, kBinUsage, "--lead-in takes a whole number of sample frames");
        leadIn = *n;
    }
    if (inputs.size() != 2) return Usage(kName, kBinUsage, "give the work file and the stream file");
    if (output.empty()) return Usage(kName, kBinUsage, "no output given (-o)");

    OutputGate gate(parsed.Has("force") ? OutputGate::Existing::Replace : OutputGate::Existing::Refuse);
    gate.AddInput(inputs[0], "the work file of the BIN file");
    gate.AddInput(inputs[1], "the stream of the BIN file");
    if (!OutputsAllowed(kName, gate, {output})) return kExitFailure;

    std::vector<uint8_t> buffer;
    if (!ReadWholeFile(inputs[1], buffer, kMaxStreamBytes))
        return Failure(kName, inputs[1] + ": " + ReadFailureReason(inputs[1]) + " (a stream of at most " +
                                  std::to_string(kMaxStreamBytes >> 20) + " MB is read)");
    // The export never reads the last piece's worth of a song's buffer (there it is reserve);
    // a stream file has none, so give it one and keep every byte of the stream.
    const uint64_t used = buffer.size();
    buffer.resize(buffer.size() + kBinPieceStreamBytes, 0);

    StderrUserPrompt prompt;
    ProgressLine line(kBinProgressCaption);
    const BinExportResult r = ExportBin(OutputGate::WriteTarget(output), BinExportSource{inputs[0], buffer, used, leadIn},
                                        [&line](int percent) { return line(percent) && !StopSignals::Requested(); },
                                        prompt);
    if (r.status != WorkStatus::Done) return kExitFailure;
    const uint32_t seconds = uint32_t(r.sectors / kSectorsPerSecond);
    CliConsole::Say(stdout, "%s: %llu sectors (%u:%02u)\n", output.c_str(), static_cast<unsigned long long>(r.sectors),
                    seconds / kSecondsPerMinute, seconds % kSecondsPerMinute);
    return 0;
}
