#include "media/ScratchFolder.h"

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

#include "media/TemporaryOwner.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kRandomPart = "XXXXXX";
constexpr const char* kFallbackTempFolder = "/tmp";

} // namespace

ScratchFolder::~ScratchFolder()
{
    Remove();
}

bool ScratchFolder::Create(const std::string& under, const std::string& prefix)
{
    Remove();
    std::error_code ec;
    fs::path base = under.empty() ? fs::temp_directory_path(ec) : fs::path(under);
    if (ec) base = kFallbackTempFolder;
    const fs::path upToRandom = base / (prefix + "-" + StampText(OwnProcessStamp()) + "-");
    // Recorded before it exists: a kill right after mkdtemp still finds it in the record.
    const std::string entry = fs::absolute(upToRandom, ec).string();
    if (!ec) RecordTemporary(entry);
    std::string pattern = upToRandom.string() + kRandomPart;
    // mkdtemp makes the folder with mode 0700 under a name no other process holds.
    if (!::mkdtemp(pattern.data())) {
        if (!ec) ForgetTemporary(entry);
        return false;
    }
    if (!ec) m_recorded = entry;
    m_path = pattern;
    // The lock tells a sweep that the folder is in use whatever it makes of the name.
    m_lock = ::open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_lock >= 0) ::flock(m_lock, LOCK_EX | LOCK_NB);
    return true;
}

void ScratchFolder::Remove()
{
    const int savedErrno = errno;
    if (!m_path.empty()) {
        std::error_code ec;
        fs::remove_all(m_path, ec);
        m_path.clear();
    }
    if (!m_recorded.empty()) ForgetTemporary(m_recorded);
    m_recorded.clear();
    if (m_lock >= 0) ::close(m_lock);
    m_lock = -1;
    errno = savedErrno;
}
