#include "cli/CliProject.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "cli/StderrUserPrompt.h"
#include "project/MSongSettings.h"
#include "text/UserPrompt.h"

bool LoadCliProject(MSongSettings& song, StderrUserPrompt& prompt)
{
    prompt.SetSubject(song.projectPath);
    song.prompt = &prompt;
    std::error_code ec;
    if (std::filesystem::is_directory(song.projectPath, ec)) {
        prompt.Message(std::strerror(EISDIR), kAppCaption, PromptIcon::Stop);
        return false;
    }
    if (std::FILE* f = std::fopen(song.projectPath.c_str(), "rb")) {
        std::fclose(f);
    } else {
        prompt.Message(std::strerror(errno), kAppCaption, PromptIcon::Stop);
        return false;
    }
    return song.Load();
}
