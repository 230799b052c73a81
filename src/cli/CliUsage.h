#pragma once
#include <optional>

// How a command's arguments turned out: run the command, show its usage (--help), or refuse
// them (the command has already said why on standard error).
enum class ParseResult { Run, Help, Bad };

// Where a command stops at its arguments: the usage on standard output and status 0 for Help,
// on standard error and status 2 for Bad. Nothing for Run: the command goes on.
std::optional<int> UsageExit(ParseResult result, const char* usage);
