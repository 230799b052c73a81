#pragma once
#include <string>
#include <vector>

#include "cli/CliOptions.h"

struct SingerGuidance;

// The singer guidance options of new, stream and export: --countdown[=SECONDS], --no-countdown,
// --instrumental[=SECONDS], --no-instrumental.
inline constexpr const char* kGuidanceUsage =
    "--countdown[=SECONDS] counts in to the first line and to every line after a gap of SECONDS\n"
    "(5 by default) with marks that go one a second; --instrumental[=SECONDS] shows the song's\n"
    "instrumental notice during gaps of SECONDS (12 by default); --no-countdown and\n"
    "--no-instrumental turn them off.\n";

std::vector<CliOption> GuidanceOptions();
// Whether any of them was given.
bool HasGuidanceOptions(const CliOptions& options);
// The options given, applied to guidance. Empty, or why they cannot be (a bad number, an
// option and its "--no-" form together).
std::string ApplyGuidanceOptions(const CliOptions& options, SingerGuidance& guidance);
