#include "cli/CliFiles.h"

#include "cli/CliConsole.h"

#include "document/OutputGate.h"
#include "document/SongFileKind.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

std::string ReadFailureReason(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return std::strerror(EISDIR);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::strerror(errno);
    std::fclose(f);
    return "cannot be read";
}

bool IsProjectPath(const std::string& path)
{
    return SongFileKindOf(path) == SongFileKind::Project;
}

bool OutputsAllowed(const std::string& command, const OutputGate& gate, const std::vector<std::string>& outputs)
{
    for (const std::string& output : outputs) {
        if (output == "-") continue;
        if (const std::string why = gate.Refusal(output); !why.empty()) {
            CliConsole::Error("tessavox-cli %s: %s\n", command.c_str(), why.c_str());
            return false;
        }
    }
    return true;
}
