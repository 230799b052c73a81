#include "media/ReplacingFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "media/SiblingTempFile.h"

namespace {

std::string FolderOf(const std::filesystem::path& path)
{
    return path.has_parent_path() ? path.parent_path().string() : std::string(".");
}

mode_t ModeFor(const std::string& target)
{
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return (0666 & ~mask) | S_IRUSR | S_IWUSR;
}

} // namespace

ReplacingFile::ReplacingFile(std::string target) : m_target(std::move(target)) {}

ReplacingFile::~ReplacingFile()
{
    Abandon();
}

bool ReplacingFile::Create()
{
    Abandon();
    m_fd = CreateSiblingTemp(m_target, m_temp);
    if (m_fd < 0) m_temp.clear();
    return m_fd >= 0;
}

bool ReplacingFile::Commit()
{
    if (m_temp.empty()) return false;
    bool ok = ::fchmod(m_fd, ModeFor(m_target)) == 0;
    ok = ok && ::fsync(m_fd) == 0;
    ok = ok && ::rename(m_temp.c_str(), m_target.c_str()) == 0;
    if (!ok) {
        const int cause = errno;
        Abandon();
        errno = cause;
        return false;
    }
    ForgetSiblingTemp(m_temp);
    m_temp.clear();
    ::close(m_fd);
    m_fd = -1;
    // Make the rename itself durable.
    const std::string folder = FolderOf(std::filesystem::path(m_target));
    const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

void ReplacingFile::Abandon()
{
    if (m_temp.empty()) return;
    ::unlink(m_temp.c_str());
    ForgetSiblingTemp(m_temp);
    m_temp.clear();
    ::close(m_fd);
    m_fd = -1;
}
