// tessavox-cli: the engine for batch work and scripts.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/CliCommands.h"

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
    {"play", RunPlayCommand,
     "play FILE.wav [--cdg FILE.cdg] [--from SECONDS] [--to SECONDS] [--tempo -50..0]\n"
     "       [--lead-in SECONDS] [--snapshot OUT.png [--scale N]]\n"
     "                              play a work file through the sound card (TESSAVOX_AUDIO=null:\n"
     "                              without one), a CD+G stream against its clock; prints the clock\n"
     "                              and the packets executed once a second, and the final clock"},
};

void PrintUsage(std::FILE* out)
{
    std::fprintf(out, "Usage: tessavox-cli COMMAND [ARGS]\n\nCommands:\n");
    for (const Command& c : kCommands) std::fprintf(out, "  %s\n", c.usage);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(stdout);
        return 0;
    }
    for (const Command& c : kCommands) {
        if (name == c.name) return c.run(CliArgs(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "tessavox-cli: unknown command \"%s\"\n\n", name.c_str());
    PrintUsage(stderr);
    return 2;
}
