#include "media/ScratchFolder.h"

#include <cerrno>
#include <stdlib.h>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* kUniquePart = "-XXXXXX";

} // namespace

ScratchFolder::~ScratchFolder()
{
    Remove();
}

bool ScratchFolder::Create(const std::string& under, const std::string& prefix)
{
    Remove();
    std::error_code ec;
    const fs::path base = under.empty() ? fs::temp_directory_path(ec) : fs::path(under);
    std::string pattern = (base / (prefix + kUniquePart)).string();
    // mkdtemp makes the folder with mode 0700 under a name no other process holds.
    if (!::mkdtemp(pattern.data())) return false;
    m_path = pattern;
    return true;
}

void ScratchFolder::Remove()
{
    if (m_path.empty()) return;
    const int savedErrno = errno;
    std::error_code ec;
    fs::remove_all(m_path, ec);
    m_path.clear();
    errno = savedErrno;
}
