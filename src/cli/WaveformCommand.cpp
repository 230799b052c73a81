// tessavox-cli waveform: a strip picture of the song's music with its words and page starts.
#include <cstdio>
#include <string>

#include "cli/CliConsole.h"
#include "cli/CliCommands.h"
#include "cli/CliFiles.h"
#include "cli/CliNumbers.h"
#include "cli/CliOptions.h"
#include "document/OutputGate.h"
#include "cli/CliProject.h"
#include "cli/PictureOutput.h"
#include "cli/StderrUserPrompt.h"
#include "cli/StopSignals.h"
#include "document/SongDocument.h"
#include "project/KaraokeSong.h"
#include "waveform/WaveformPeaks.h"
#include "waveform/WaveformStrip.h"

namespace {

constexpr const char* kUsage =
    "Usage: tessavox-cli waveform SONG.tvx --from SECONDS --to SECONDS -o FILE.png [--width N] [--height N]\n"
    "A strip picture of the song's music between two times: the waveform, each placed word as a\n"
    "span with its text, page starts as orange lines. The width is 800 and the height 120 pixels\n"
    "unless given (16 to 8192 wide, 16 to 2048 high). -o - writes the PNG to standard output.\n";

int Failure(const std::string& file, const std::string& why)
{
    CliConsole::Error("tessavox-cli waveform: %s: %s\n", file.c_str(), why.c_str());
    return 1;
}

} // namespace

int RunWaveformCommand(const CliArgs& args)
{
    CliOptions options("waveform", kUsage, {{"from"}, {"to"}, {"output", 'o'}, {"width"}, {"height"}, {"force", 0, false}});
    if (const auto status = CliOptions::ExitFor(options.Parse(args))) return *status;
    if (options.Operands().size() != 1) return options.Refuse("give one project");
    if (!options.Has("output")) return options.Refuse("no output given (-o)");
    if (!options.Has("from") || !options.Has("to")) return options.Refuse("give --from and --to (seconds)");
    const std::string project = options.Operands()[0];
    const std::string output = options.Value("output");
    if (!IsPictureOutput(output)) return options.Refuse("the output is a .png or .jpg file, or - (PNG)");
    const auto from = ParseMicroseconds(options.Value("from"));
    const auto to = ParseMicroseconds(options.Value("to"));
    if (!from || !to) return options.Refuse("--from and --to take seconds, such as 12 or 81.25");
    if (*to <= *from) return options.Refuse("--to must be later than --from");
    const auto width = ParseInt(options.Value("width", "800"), 16, 8192);
    if (!width) return options.Refuse("--width takes 16 to 8192");
    const auto height = ParseInt(options.Value("height", "120"), 16, 2048);
    if (!height) return options.Refuse("--height takes 16 to 2048");

    StderrUserPrompt prompt;
    prompt.SetCommand("waveform");
    SongDocument doc;
    if (!OpenCliProject(doc, project, prompt)) return 1;
    OutputGate gate(options.Has("force") ? OutputGate::Existing::Replace : OutputGate::Existing::Refuse);
    doc.AddInputsTo(gate);
    if (!OutputsAllowed("waveform", gate, {output})) return 1;
    const auto stopped = [](int) { return !StopSignals::Requested(); };
    if (const WorkOutcome loaded = doc.LoadProjectMusic(stopped); !loaded) {
        if (loaded.status == WorkStatus::Cancelled || StopSignals::Requested()) return 1;
        CliConsole::Error("tessavox-cli waveform: %s\n", loaded.message.c_str());
        return 1;
    }
    std::string why;
    const WaveformPeaks& peaks = doc.MusicPeaks(&why);
    if (peaks.Empty()) {
        if (why.empty()) why = doc.Song().MusicWorkPath() + ": the music holds no samples";
        CliConsole::Error("tessavox-cli waveform: %s\n", why.c_str());
        return 1;
    }
    const KaraokeSong& song = doc.Song();

    WaveformStrip strip;
    strip.SetSize(*width, *height);
    strip.Draw(peaks, song, int64_t(*from), int64_t(*to));
    if (!WritePicture(OutputGate::WriteTarget(output), strip.Image(), why)) return Failure(output, why);
    return 0;
}
