#include "cli/CliProject.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "cli/StderrUserPrompt.h"
#include "document/SongDocument.h"
#include "text/UserPrompt.h"

bool OpenCliProject(SongDocument& doc, const std::string& path, StderrUserPrompt& prompt)
{
    prompt.SetSubject(path);
    doc.SetPrompt(&prompt);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        prompt.Message(std::strerror(EISDIR), kAppCaption, PromptIcon::Stop);
        return false;
    }
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
    } else {
        prompt.Message(std::strerror(errno), kAppCaption, PromptIcon::Stop);
        return false;
    }
    return doc.Open(path).Succeeded();
}
