#include "support/ScopedTempFolder.h"

#include <cstdlib>
#include <filesystem>

ScopedTempFolder::ScopedTempFolder(const std::string& folder)
{
    std::filesystem::create_directories(folder);
    if (const char* old = std::getenv("TMPDIR")) {
        m_old = old;
        m_had = true;
    }
    ::setenv("TMPDIR", folder.c_str(), 1);
}

ScopedTempFolder::~ScopedTempFolder()
{
    if (m_had) ::setenv("TMPDIR", m_old.c_str(), 1);
    else ::unsetenv("TMPDIR");
}
