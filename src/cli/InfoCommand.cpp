#include <cstdio>

#include "cli/CliCommands.h"

int RunInfoCommand(const CliArgs& args)
{
    (void)args;
    std::fprintf(stderr, "info: not yet\n");
    return 1;
}
