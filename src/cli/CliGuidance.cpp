#include "cli/CliGuidance.h"

#include <optional>

#include "cli/CliNumbers.h"
#include "project/SingerGuidance.h"

namespace {

constexpr uint64_t kMicrosPerMs = 1000;

// One part: "--NAME[=SECONDS]" turns it on (with its gap), "--no-NAME" off.
std::string ApplyPart(const CliOptions& options, const std::string& name, bool& on, int32_t& gapMs)
{
    const bool yes = options.Has(name), no = options.Has("no-" + name);
    if (yes && no) return "--" + name + " and --no-" + name + " contradict each other";
    if (no) on = false;
    if (!yes) return {};
    on = true;
    const std::string value = options.Value(name);
    if (value.empty()) return {};
    const std::optional<uint64_t> micros = ParseMicroseconds(value);
    const uint64_t ms = micros ? *micros / kMicrosPerMs : 0;
    if (!micros || ms < uint64_t(SingerGuidance::kFewestGapMs) || ms > uint64_t(SingerGuidance::kMostGapMs))
        return "--" + name + " takes a gap of 1 to 600 seconds, not \"" + value + "\"";
    gapMs = int32_t(ms);
    return {};
}

} // namespace

std::vector<CliOption> GuidanceOptions()
{
    return {{"countdown", 0, true, true}, {"no-countdown", 0, false}, {"instrumental", 0, true, true},
            {"no-instrumental", 0, false}};
}

bool HasGuidanceOptions(const CliOptions& options)
{
    for (const CliOption& o : GuidanceOptions())
        if (options.Has(o.name)) return true;
    return false;
}

std::string ApplyGuidanceOptions(const CliOptions& options, SingerGuidance& guidance)
{
    if (std::string why = ApplyPart(options, "countdown", guidance.countIn, guidance.countInGapMs); !why.empty())
        return why;
    return ApplyPart(options, "instrumental", guidance.notice, guidance.noticeGapMs);
}
