// tessavox-cli align: every word of a project timed from its singing.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/CliConsole.h"
#include "cli/CliAlign.h"
#include "cli/CliCommands.h"
#include "cli/CliFiles.h"
#include "cli/CliOptions.h"
#include "cli/CliProject.h"
#include "cli/StderrUserPrompt.h"
#include "cli/StopSignals.h"
#include "document/OutputGate.h"
#include "document/SongDocument.h"
#include "project/KaraokeSong.h"

namespace {

constexpr const char* kUsage =
    "Usage: tessavox-cli align SONG.tvx [--vocals FILE] [--line-starts] [-o OUT.tvx] [--json] [--force]\n"
    "Times every word of the song's lyrics from the singing: a vocal track (--vocals, any music\n"
    "file; it starts where the music starts) or, without one, the song's music itself. Lines are\n"
    "found where the voice is, and each line's words are aligned by a speech recogniser (US\n"
    "English; lyrics in other languages are spread over the singing by syllables). With\n"
    "--line-starts each line whose first word is placed (a tap at the line's start) is looked\n"
    "for from there to the next tapped line: on a full mix that finds far more lines. The times are\n"
    "written into SONG.tvx, or into OUT.tvx (an existing OUT is replaced only with --force).\n"
    "--json prints every word and syllable: line, word, text, start and end (samples at 44,100\n"
    "Hz), confidence (0 to 1) and unsure (a time worth checking by ear).\n";

} // namespace

int RunAlignCommand(const CliArgs& args)
{
    CliOptions options("align", kUsage,
                       {{"vocals"}, {"output", 'o'}, {"line-starts", 0, false}, {"json", 0, false}, {"force", 0, false}});
    if (const auto status = CliOptions::ExitFor(options.Parse(args))) return *status;
    if (options.Operands().size() != 1) return options.Refuse("give one project");
    const std::string project = options.Operands()[0];
    const std::string vocals = options.Value("vocals");
    const std::string output = options.Has("output") ? options.Value("output") : project;
    if (options.Has("vocals") && vocals.empty()) return options.Refuse("--vocals needs a file");
    if (!IsProjectPath(output)) return options.Refuse("the output must be a project (.tvx)");

    StderrUserPrompt prompt;
    prompt.SetCommand("align");
    SongDocument doc(&prompt);
    if (!OpenCliProject(doc, project, prompt)) return 1;
    if (!vocals.empty()) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(vocals, ec)) {
            CliConsole::Error("tessavox-cli align: %s: %s\n", vocals.c_str(), ReadFailureReason(vocals).c_str());
            return 1;
        }
    }
    // The project itself is saved in place; any other output must be neither one of the song's
    // files nor the vocal track.
    const bool inPlace = OutputGate::Resolve(output) == OutputGate::Resolve(project);
    if (!inPlace) {
        OutputGate gate(options.Has("force") ? OutputGate::Existing::Replace : OutputGate::Existing::Refuse);
        doc.AddInputsTo(gate);
        if (!vocals.empty()) gate.AddInput(vocals, "the song's vocal track");
        if (!OutputsAllowed("align", gate, {output})) return 1;
    }
    if (doc.Song().LineCount() == 0 || doc.Song().words.empty()) {
        CliConsole::Error("tessavox-cli align: %s: the song has no lyrics to time\n", project.c_str());
        return 1;
    }
    if (vocals.empty()) {
        const auto stopped = [](int) { return !StopSignals::Requested(); };
        if (const WorkOutcome loaded = doc.LoadProjectMusic(stopped); !loaded) {
            if (loaded.status == WorkStatus::Cancelled || StopSignals::Requested()) return 1;
            CliConsole::Error("tessavox-cli align: %s\n", loaded.message.c_str());
            return 1;
        }
    }

    std::vector<AlignedWord> times;
    const AutoTiming::Lines lines =
        options.Has("line-starts") ? AutoTiming::Lines::FromTaps : AutoTiming::Lines::FromSinging;
    const std::vector<uint32_t> taps = AutoTiming::LineTaps(doc.Song());
    if (lines == AutoTiming::Lines::FromTaps && std::none_of(taps.begin(), taps.end(), [](uint32_t t) { return t != 0; })) {
        std::fprintf(stderr, "tessavox-cli align: %s: no line's first word is placed to start from\n", project.c_str());
        return 1;
    }
    if (!AlignCliSong("align", doc, vocals, times, lines)) return 1;
    // Stopped: the project stays as it was.
    if (StopSignals::Requested()) return 1;
    prompt.SetSubject(output);
    if (!(inPlace ? doc.Save() : doc.SaveAs(output)).Succeeded()) return 1; // the prompt has said why
    if (options.Has("json")) {
        const std::string json = AlignedWordsJson(doc.Song(), times);
        std::fputs(json.c_str(), stdout);
        if (json.empty() || json.back() != '\n') std::fputc('\n', stdout);
    } else {
        size_t unsure = 0;
        for (const AlignedWord& t : times) unsure += t.unsure ? 1 : 0;
        CliConsole::Say(stdout, "%s\n  timed   %zu words and syllables, %zu unsure\n", output.c_str(), times.size(), unsure);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
