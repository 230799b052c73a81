#include "media/SiblingTempFile.h"

#include <cctype>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// mkstemp replaces the six X by letters and digits.
constexpr const char* kRandomPart = "XXXXXX";
constexpr size_t kRandomChars = 6;
// A sweep that removes our new file between its creation and its lock makes us take another
// name; a handful of tries is plenty.
constexpr int kCreateAttempts = 8;

std::string FolderOf(const std::filesystem::path& target)
{
    return target.has_parent_path() ? target.parent_path().string() : std::string(".");
}

std::string HiddenPrefix(const std::filesystem::path& target)
{
    return "." + target.filename().string() + ".";
}

bool IsTempName(const std::string& name, const std::string& prefix)
{
    if (name.size() != prefix.size() + kRandomChars || name.compare(0, prefix.size(), prefix) != 0) return false;
    for (size_t i = prefix.size(); i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

// True while path still names the file open at fd.
bool StillNamed(int fd, const std::string& path)
{
    struct stat opened {}, named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

} // namespace

int CreateSiblingTemp(const std::string& target, std::string& tempPath)
{
    const std::filesystem::path path(target);
    if (!path.has_filename()) {
        errno = EINVAL;
        return -1;
    }
    // Left-overs of killed saves would only take up room, and a full disk needs it.
    RemoveStaleSiblingTemps(target);
    const std::string pattern = (std::filesystem::path(FolderOf(path)) / (HiddenPrefix(path) + kRandomPart)).string();
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        std::string name = pattern;
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) return -1;
        // A file system without flock has no sweep either (the sweep needs the lock), so an
        // unlocked file is safe there.
        int locked;
        do locked = ::flock(fd, LOCK_EX);
        while (locked != 0 && errno == EINTR);
        if (StillNamed(fd, name)) {
            tempPath = std::move(name);
            return fd;
        }
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

void RemoveStaleSiblingTemps(const std::string& target)
{
    const std::filesystem::path path(target);
    if (!path.has_filename()) return;
    const std::string prefix = HiddenPrefix(path);
    const std::string folder = FolderOf(path);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const int savedErrno = errno;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!IsTempName(name, prefix)) continue;
        const std::string candidate = (std::filesystem::path(folder) / name).string();
        const int fd = ::open(candidate.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && StillNamed(fd, candidate))
            ::unlink(candidate.c_str());
        ::close(fd); // drops the lock
    }
    ::closedir(dir);
    errno = savedErrno;
}
