#include "media/FileSet.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Hidden, and named so that a user who sees one knows whose it is.
constexpr const char* kScratchPrefix = ".tessavox-set";
// The old version of a member, kept in the private folder until the new set is in place.
constexpr const char* kOldPrefix = "old-";

// Holds the folder's lock while the set is renamed into place: a second run's set waits for
// the first one's to be whole.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder)
    {
        m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_fd < 0) return;
        int locked;
        do locked = ::flock(m_fd, LOCK_EX);
        while (locked != 0 && errno == EINTR);
    }
    ~FolderLock()
    {
        if (m_fd >= 0) ::close(m_fd); // drops the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    int Descriptor() const { return m_fd; }

private:
    int m_fd = -1;
};

std::string FolderOf(const std::string& path)
{
    const fs::path p(path);
    return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

} // namespace

bool FileSet::Begin(const std::string& folder)
{
    m_members.clear();
    return m_scratch.Create(folder.empty() ? std::string(".") : folder, kScratchPrefix);
}

std::string FileSet::MemberPath(const std::string& target)
{
    if (m_scratch.Path().empty()) return {};
    for (const Member& member : m_members)
        if (member.target == target) return member.written;
    Member member{target, (m_scratch.Path() / fs::path(target).filename()).string()};
    m_members.push_back(member);
    return member.written;
}

bool FileSet::Commit()
{
    if (m_scratch.Path().empty()) {
        errno = EINVAL;
        return false;
    }
    const std::string folder = m_members.empty() ? std::string(".") : FolderOf(m_members.front().target);
    FolderLock lock(folder);
    // Keep each old member under a second name first, so that a failed rename can put it back.
    std::vector<std::string> kept(m_members.size());
    for (size_t i = 0; i < m_members.size(); ++i) {
        struct stat st {};
        if (::lstat(m_members[i].target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        const std::string old = (m_scratch.Path() / (kOldPrefix + std::to_string(i))).string();
        if (::link(m_members[i].target.c_str(), old.c_str()) == 0) kept[i] = old;
    }
    size_t moved = 0;
    for (; moved < m_members.size(); ++moved) {
        const Member& member = m_members[moved];
        struct stat written {};
        // A member the export chose not to write after all is no member.
        if (::lstat(member.written.c_str(), &written) != 0) continue;
        if (::rename(member.written.c_str(), member.target.c_str()) != 0) break;
    }
    if (moved < m_members.size()) {
        const int cause = errno;
        m_failed = m_members[moved].target;
        for (size_t i = 0; i < moved; ++i) {
            if (!kept[i].empty()) ::rename(kept[i].c_str(), m_members[i].target.c_str());
            else ::unlink(m_members[i].target.c_str());
        }
        m_scratch.Remove();
        errno = cause;
        return false;
    }
    if (lock.Descriptor() >= 0) ::fsync(lock.Descriptor());
    m_scratch.Remove();
    m_members.clear();
    return true;
}
