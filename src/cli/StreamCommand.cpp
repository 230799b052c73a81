// tessavox-cli stream: a project's whole CD+G stream as a .cdg file.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cdg/WriteRwMemory.h"
#include "cli/CliCommands.h"
#include "cli/ProjectMusic.h"
#include "cli/StderrUserPrompt.h"
#include "media/AtomicFile.h"
#include "project/MSongSettings.h"

namespace {

constexpr uint32_t kBytesPerSampleFrame = 4; // 16-bit stereo

int Usage(const std::string& why)
{
    std::fprintf(stderr, "stream: %s\nusage: tessavox-cli stream FILE.tvx -o FILE.cdg\n", why.c_str());
    return 2;
}

} // namespace

int RunStreamCommand(const CliArgs& args)
{
    std::string project, output;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size()) output = args[++i];
        else if (!args[i].empty() && args[i][0] != '-' && project.empty()) project = args[i];
        else return Usage("unexpected argument \"" + args[i] + "\"");
    }
    if (project.empty() || output.empty()) return Usage("a project and -o are needed");

    StderrUserPrompt prompt;
    MSongSettings song(project);
    song.prompt = &prompt;
    if (!song.Load()) return 1;
    // Music that moved with its project is measured where it is now.
    if (std::string why; song.streamBuffer.empty() && !song.musicPath.empty() && FindProjectMusic(song, why))
        song.RebuildStreamBuffer();
    song.GenerateKaraokeLineList(true, true);

    // Without music the stream buffer is sized as if the music lasted until the last word.
    std::vector<uint8_t> own;
    std::span<uint8_t> buffer(song.streamBuffer);
    if (buffer.empty()) {
        uint32_t lastEnd = 0;
        for (const auto& w : song.words) lastEnd = std::max(lastEnd, w->end);
        own.assign(MSongSettings::StreamBufferBytes(uint32_t(std::min<uint64_t>(
                       uint64_t(lastEnd) * kBytesPerSampleFrame, UINT32_MAX))),
                   0);
        buffer = own;
    }
    size_t used = 0;
    const uint32_t leadIn = WriteRwMemory(song, buffer, used);
    // The music may have been lengthened; the buffer kept its contents.
    const std::span<const uint8_t> stream = own.empty() ? std::span<const uint8_t>(song.streamBuffer)
                                                         : std::span<const uint8_t>(own);
    const size_t length = std::min(used, stream.size());
    if (!WriteFileAtomically(output, stream.first(length))) {
        std::fprintf(stderr, "stream: cannot write \"%s\": %s\n", output.c_str(), std::strerror(errno));
        return 1;
    }
    std::printf("%s: %zu bytes (%.2f s), lead-in %u sample frames (%.2f s)\n", output.c_str(), length,
                double(length) / 7200.0, leadIn, double(leadIn) / 44100.0);
    return 0;
}
