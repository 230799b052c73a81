#include "media/ReplacingFile.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

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
    const std::filesystem::path target(m_target);
    if (!target.has_filename()) return false;
    // Hidden, and named after the target, so a left-over after a power cut explains itself.
    std::string name = ".";
    name.append(target.filename().string()).append(".XXXXXX");
    std::string tmpl = (std::filesystem::path(FolderOf(target)) / name).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return false;
    ::close(fd);
    m_temp = std::move(tmpl);
    return true;
}

bool ReplacingFile::Commit()
{
    if (m_temp.empty()) return false;
    const int fd = ::open(m_temp.c_str(), O_RDONLY);
    bool ok = fd >= 0;
    ok = ok && ::fchmod(fd, ModeFor(m_target)) == 0;
    ok = ok && ::fsync(fd) == 0;
    if (fd >= 0) ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(m_temp.c_str(), m_target.c_str()) == 0;
    if (!ok) {
        Abandon();
        return false;
    }
    m_temp.clear();
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
    m_temp.clear();
}
