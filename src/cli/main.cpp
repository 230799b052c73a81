// tessavox-cli: the engine for batch work and scripts.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/CliCommands.h"
#include "cli/CliConsole.h"
#include "cli/StopSignals.h"
#include "log/MLogQueue.h"
#include "media/LeftoverSweep.h"

namespace {

struct Command {
    const char* name;
    int (*run)(const CliArgs&);
    const char* usage;
};

const Command kCommands[] = {
    {"info", RunInfoCommand, "info FILE.tvx [--json]      show a project: settings, pages, lines and word times"},
    {"render", RunRenderCommand,
     "render FILE.cdg (--at SECONDS | --packet N) -o FILE.png [--scale N]\n"
     "                              the screen of a CD+G stream at a moment of the player's clock\n"
     "                              (packets before SECONDS x 300) or after packet N, as PNG\n"
     "  render FILE.cdg --every SECONDS -o FOLDER [--scale N]\n"
     "                              a numbered PNG series, one picture every SECONDS"},
    {"page", RunPageCommand,
     "page FILE.tvx --kind title|lyrics|credits -o FILE.png [--page N] [--scale N]\n"
     "                              a still picture of a page (lyrics: lyric page N, from 0)"},
    {"stream", RunStreamCommand, "stream FILE.tvx -o FILE.cdg    the project's whole CD+G stream"},
    {"encode", RunEncodeCommand,
     "encode WORK.wav -o OUT.mp3|OUT.wma [--kbps N] [--lead-in FRAMES] [--tail FRAMES] [--title T --artist A]\n"
     "                              compress a music work file as the MP3+G and WMA+G exports do,\n"
     "                              with silent frames before and after the music"},
    {"bin", RunBinCommand,
     "bin WORK.wav STREAM.cdg -o OUT.bin [--lead-in FRAMES]\n"
     "                              a BIN file (CD audio sectors with the stream interleaved) from a\n"
     "                              music work file and a CD+G stream"},
    {"new", RunNewCommand,
     "new -o SONG.tvx --music FILE [--lyrics FILE.txt|.lrc|.kar|.mid] [--title T] [--artist A] [--force]\n"
     "       [--wrap] [--align [--vocals FILE]]\n"
     "                              a new project: the music checked or decoded (into SONG.wav),\n"
     "                              the lyrics imported and an LRC file's times applied; --wrap\n"
     "                              breaks lyric lines too wide for the screen; --align times the\n"
     "                              words from the singing as align does"},
    {"export", RunExportCommand,
     "export SONG.tvx -o PATH [--type bin|mp3g|wmag|mp4] [--bitrate K] [--zip] [--lrc simple|enhanced]\n"
     "       [--lrc-encoding utf-8|windows-1252] [--size 720p|1080p] [--fps 25|30|50|60] [--music W]\n"
     "                              the song as a BIN file, an MP3+G / WMA+G pair (zipped for .zip)\n"
     "                              or an MP4 video of the screen with the sound"},
    {"play", RunPlayCommand,
     "play FILE.wav [--cdg FILE.cdg] [--from SECONDS] [--to SECONDS] [--tempo -50..0]\n"
     "       [--lead-in SECONDS] [--snapshot OUT.png [--scale N]]\n"
     "                              play a work file through the sound card (TESSAVOX_AUDIO=null:\n"
     "                              without one), a CD+G stream against its clock; prints the clock\n"
     "                              and the packets executed once a second, and the final clock"},
    {"waveform", RunWaveformCommand,
     "waveform SONG.tvx --from SECONDS --to SECONDS -o FILE.png [--width N] [--height N]\n"
     "                              a strip picture of the music between two times with the placed\n"
     "                              words as spans and the page starts marked"},
    {"align", RunAlignCommand,
     "align SONG.tvx [--vocals FILE] [--line-starts] [-o OUT.tvx] [--json] [--force]\n"
     "                              time every word from the singing (a vocal track, else the\n"
     "                              song's music) and write the times into the project or OUT;\n"
     "                              --line-starts: each line from its placed first word"},
    {"log", RunLogCommand, "log FILE.log                the entries of a diagnostic log, one a line"},
};

void PrintUsage(std::FILE* out)
{
    std::fprintf(out, "Usage: tessavox-cli [-q|-v] [--log FILE] COMMAND [ARGS]\n\nCommands:\n");
    for (const Command& c : kCommands) std::fprintf(out, "  %s\n", c.usage);
    std::fprintf(out, "\n\"tessavox-cli COMMAND --help\" or \"tessavox-cli help COMMAND\" shows a command's options;\n"
                      "-V or --version shows the version. Every command takes -q (--quiet: nothing on success\n"
                      "but what it is asked for; errors still say why) and -v (--verbose: progress in pipes and\n"
                      "logs too, and the time taken). --log FILE (or TESSAVOX_LOG=FILE in the environment)\n"
                      "appends a diagnostic log of the command's work to FILE; \"tessavox-cli log FILE\" lists it.\n");
}

} // namespace

int main(int argc, char** argv)
{
    // Past a file size limit a write fails with EFBIG and is reported like a full disk, with
    // the file's name, instead of the signal ending the program silently with a partial file.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    // The diagnostic log: from the environment, or named for this run before the command; the
    // level of speech may come before the command too.
    std::string logFile = MLogQueue::FileFromEnvironment();
    int first = 1;
    for (; first < argc; ++first) {
        const std::string word = argv[first];
        if (word == "-q" || word == "--quiet") {
            CliConsole::SetLevel(CliConsole::Level::Quiet);
        } else if (word == "-v" || word == "--verbose") {
            CliConsole::SetLevel(CliConsole::Level::Verbose);
        } else if (word == "--log") {
            if (first + 2 >= argc) {
                std::fprintf(stderr, "tessavox-cli: --log needs a file and a command\n\n");
                PrintUsage(stderr);
                return 2;
            }
            logFile = argv[++first];
        } else {
            break;
        }
    }
    if (first >= argc) {
        PrintUsage(stderr);
        return 2;
    }
    if (!logFile.empty()) {
        if (const std::string failure = MLogQueue::SwitchOn(logFile); !failure.empty()) {
            std::fprintf(stderr, "tessavox-cli: %s\n", failure.c_str());
            return 1;
        }
    }
    std::string name = argv[first];
    CliArgs args(argv + first + 1, argv + argc);
    CliConsole::TakeLevelOptions(args);
    if (name == "--version" || name == "-V") {
        std::printf("tessavox-cli %s\n", TESSAVOX_VERSION);
        return 0;
    }
    if (name == "--help" || name == "-h" || (name == "help" && args.empty())) {
        PrintUsage(stdout);
        return 0;
    }
    // "help CMD" is "CMD --help"; "help help" is the usage.
    if (name == "help" && args[0] == "help") {
        PrintUsage(stdout);
        return 0;
    }
    if (name == "help") {
        name = args[0];
        args = {"--help"};
    }
    for (const Command& c : kCommands) {
        if (name != c.name) continue;
        StopSignals::Install();
        SweepLeftovers();
        const auto began = std::chrono::steady_clock::now();
        const int status = c.run(args);
        if (status != 0 || StopSignals::Requested()) CliConsole::SayHeldNotes();
        CliConsole::Detail("tessavox-cli %s: %s in %.2f s\n", c.name, status == 0 ? "done" : "failed",
                           std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
        if (!StopSignals::Requested()) return status;
        CliConsole::Error("tessavox-cli: stopped by %s\n", strsignal(StopSignals::Received()));
        return StopSignals::ExitStatus();
    }
    std::fprintf(stderr, "tessavox-cli: unknown command \"%s\"\n\n", name.c_str());
    PrintUsage(stderr);
    return 2;
}
