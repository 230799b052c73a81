#include "cli/CliUsage.h"

#include <cstdio>

std::optional<int> UsageExit(ParseResult result, const char* usage)
{
    switch (result) {
    case ParseResult::Help:
        std::fputs(usage, stdout);
        return 0;
    case ParseResult::Bad:
        std::fputs(usage, stderr);
        return 2;
    case ParseResult::Run:
        break;
    }
    return std::nullopt;
}
