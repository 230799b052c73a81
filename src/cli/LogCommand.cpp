// tessavox-cli log: the entries of a diagnostic log file, one a line.
#include <cstdio>
#include <ctime>
#include <string>

#include "cli/CliConsole.h"
#include "cli/CliCommands.h"
#include "cli/CliOptions.h"
#include "log/LogFileReader.h"

namespace {

constexpr const char* kUsage =
    "Usage: tessavox-cli log FILE.log\n"
    "Lists the entries of a diagnostic log, one a line: the time (UTC), the kind (U a user action,\n"
    "T a text, D a data dump, L a lyric line list, S the song's settings), the name, then the\n"
    "action's number, the text or the dump's size. A log is written while TESSAVOX_LOG=FILE is set\n"
    "in the environment, or for one command with tessavox-cli --log FILE COMMAND ….\n";

std::string TimeText(int64_t seconds)
{
    const std::time_t t = std::time_t(seconds);
    std::tm utc{};
    char text[32] = "?";
    if (gmtime_r(&t, &utc)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
    return text;
}

} // namespace

int RunLogCommand(const CliArgs& args)
{
    CliOptions options("log", kUsage, {});
    if (const auto status = CliOptions::ExitFor(options.Parse(args))) return *status;
    if (options.Operands().size() != 1) return options.Refuse("give one log file");
    const LogFileReading reading = ReadLogFile(options.Operands()[0]);
    for (const LogFileEntry& e : reading.entries) {
        std::printf("%s  %c  %s", TimeText(e.time).c_str(), e.kind, e.name.c_str());
        if (e.kind == 'U') std::printf("  action %d", e.action);
        else if (e.kind == 'T') {
            // A text of several lines goes on, indented, under its entry.
            std::string text = e.text;
            for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
                text.insert(at + 1, "    ");
            std::printf(": %s", text.c_str());
        }
        else std::printf("  (%zu bytes)", e.dataBytes);
        std::printf("\n");
    }
    if (reading.failure.empty()) return 0;
    CliConsole::Error("tessavox-cli log: %s\n", reading.failure.c_str());
    return 1;
}
