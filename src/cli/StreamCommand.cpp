// tessavox-cli stream: a project's whole CD+G stream as a .cdg file.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cdg/WriteRwMemory.h"
#include "cli/CliConsole.h"
#include "cli/CliCommands.h"
#include "cli/CliFiles.h"
#include "cli/CliGuidance.h"
#include "cli/CliOptions.h"
#include "document/ExportSnapshot.h"
#include "document/OutputGate.h"
#include "document/SongDocument.h"
#include "cli/CliProject.h"
#include "cli/StderrUserPrompt.h"
#include "media/AtomicFile.h"
#include "project/KaraokeSong.h"
#include "project/SingerGuidance.h"

namespace {

constexpr const char* kUsage =
    "Usage: tessavox-cli stream SONG.tvx -o FILE.cdg [--force]\n"
    "                           [--countdown[=SECONDS]|--no-countdown] [--instrumental[=SECONDS]|--no-instrumental]\n"
    "The project's whole CD+G stream, as the exports put it beside the audio; -o - writes it to\n"
    "standard output. An existing file is replaced only with --force, and never the song's own files.\n"
    "The singer guidance options change the song's own for this stream only:\n";

} // namespace

int RunStreamCommand(const CliArgs& args)
{
    std::vector<CliOption> accepted = {{"output", 'o'}, {"force", 0, false}};
    for (const CliOption& option : GuidanceOptions()) accepted.push_back(option);
    static const std::string usage = std::string(kUsage) + kGuidanceUsage;
    CliOptions options("stream", usage.c_str(), std::move(accepted));
    if (const auto status = CliOptions::ExitFor(options.Parse(args))) return *status;
    SingerGuidance checked;
    if (const std::string why = ApplyGuidanceOptions(options, checked); !why.empty()) return options.Refuse(why);
    if (options.Operands().size() != 1) return options.Refuse("give one project");
    if (!options.Has("output")) return options.Refuse("no output given (-o)");
    const std::string project = options.Operands()[0];
    const std::string output = options.Value("output");

    StderrUserPrompt prompt;
    prompt.SetCommand("stream");
    SongDocument doc;
    if (!OpenCliProject(doc, project, prompt)) return 1;
    // The stream is written from a scratch edit of the song, never committed: nothing of it is kept.
    SongEdit scratch = doc.BeginEdit("Stream");
    KaraokeSong& song = scratch.Song();
    ApplyGuidanceOptions(options, song.guidance); // checked above
    // The music where it is now, as export and play load it; a song whose music is nowhere
    // still has a stream, as long as its words.
    if (!song.musicPath.empty() && !doc.LoadProjectMusic()) song.ClearMusicCount();
    OutputGate gate(options.Has("force") ? OutputGate::Existing::Replace : OutputGate::Existing::Refuse);
    doc.AddInputsTo(gate);
    if (!OutputsAllowed("stream", gate, {output})) return 1;

    // The stream as the exports write it: from a snapshot with the final text.
    const ExportSnapshot snapshot(doc);
    const SongStream written = WriteRwMemory(snapshot.Song());
    const std::span<const uint8_t> stream = written.Used();
    const size_t length = stream.size();
    const uint32_t leadIn = written.leadIn;
    // "-": the bytes go to standard output, and what would be said of them to standard error.
    const bool toStdout = output == "-";
    const bool done = toStdout ? std::fwrite(stream.data(), 1, length, stdout) == length && std::fflush(stdout) == 0
                               : WriteFileAtomically(OutputGate::WriteTarget(output), stream.first(length));
    if (!done) {
        CliConsole::Error("tessavox-cli stream: %s: %s\n", toStdout ? "standard output" : output.c_str(),
                          std::strerror(errno));
        return 1;
    }
    CliConsole::Say(toStdout ? stderr : stdout, "%s: %zu bytes (%.2f s), lead-in %u sample frames (%.2f s)\n", output.c_str(), length,
                    double(length) / 7200.0, leadIn, double(leadIn) / 44100.0);
    return 0;
}
