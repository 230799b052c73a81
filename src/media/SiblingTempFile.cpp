#include "media/SiblingTempFile.h"

#include <cctype>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "media/LeftoverSweep.h"
#include "media/TemporaryOwner.h"

namespace {

// mkstemp replaces the six X by letters and digits.
constexpr const char* kRandomPart = "XXXXXX";
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

// prefix plus the maker's stamp and the random part, or (made by earlier versions) prefix plus
// the random part alone.
bool IsTempName(const std::string& name, const std::string& prefix)
{
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
    std::string stampedPrefix;
    ProcessStamp stamp;
    if (ParseStampedName(name, stampedPrefix, stamp)) return stampedPrefix == prefix;
    if (name.size() != prefix.size() + kTemporaryRandomChars) return false;
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

// The record entry of a temporary path: the path without its random part, absolute.
std::string RecordEntry(const std::string& upToRandom)
{
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(upToRandom, ec);
    return ec ? std::string() : absolute.string();
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
    const std::string upToRandom = (std::filesystem::path(FolderOf(path)) /
                                    (HiddenPrefix(path) + StampText(OwnProcessStamp()) + "-"))
                                       .string();
    // Recorded before the file exists: a kill at any moment after leaves nothing unrecorded.
    const std::string entry = RecordEntry(upToRandom);
    if (!entry.empty()) RecordTemporary(entry);
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        std::string name = upToRandom + kRandomPart;
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) {
            if (!entry.empty()) ForgetTemporary(entry);
            return -1;
        }
        // Without flock (some network file systems) a sweep goes by the name, which names us.
        int locked;
        do locked = ::flock(fd, LOCK_EX);
        while (locked != 0 && errno == EINTR);
        if (StillNamed(fd, name)) {
            tempPath = std::move(name);
            return fd;
        }
        ::close(fd);
    }
    if (!entry.empty()) ForgetTemporary(entry);
    errno = EEXIST;
    return -1;
}

void ForgetSiblingTemp(const std::string& tempPath)
{
    if (tempPath.size() <= kTemporaryRandomChars) return;
    const std::string entry = RecordEntry(tempPath.substr(0, tempPath.size() - kTemporaryRandomChars));
    if (!entry.empty()) ForgetTemporary(entry);
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
        // The lock tells a live writer's file; a save may follow a kill at once, so no wait.
        RemoveLeftover((std::filesystem::path(folder) / name).string(), std::chrono::seconds(0), LeftoverKind::File);
    }
    ::closedir(dir);
    errno = savedErrno;
}
