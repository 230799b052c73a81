#include "media/LeftoverSweep.h"

#include <cctype>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "media/TemporaryOwner.h"

namespace fs = std::filesystem;

namespace {

// Our folders in the temporary folder; hidden ones too.
constexpr const char* kOwnPrefixes[] = {"tessavox-", ".tessavox-"};
// A record holds a few paths; anything larger is not one of ours.
constexpr size_t kMaxRecordBytes = 1 << 20;

bool OldEnough(const struct stat& st, std::chrono::seconds minimumAge)
{
    if (minimumAge.count() <= 0) return true;
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec - st.st_mtim.tv_sec >= minimumAge.count();
}

// True while path still names the file open at fd.
bool StillNamed(int fd, const std::string& path)
{
    struct stat opened {}, named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

// missing is set when the folder is not there at all (rather than out of reach for now).
std::vector<std::string> NamesIn(const std::string& folder, bool* missing = nullptr)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (missing) *missing = !dir && (errno == ENOENT || errno == ENOTDIR);
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
    ::closedir(dir);
    return names;
}

bool ReadRecord(const std::string& path, std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
              size_t(st.st_size) <= kMaxRecordBytes;
    if (ok) {
        bytes.resize(size_t(st.st_size));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            ok = n > 0;
            if (ok) done += size_t(n);
        }
    }
    ::close(fd);
    return ok;
}

// The temporaries one record entry stands for (everything in its folder that is the entry
// plus a random part). False when something of them remains, so the record is kept.
bool SweepEntry(const std::string& entry, const ProcessStamp& owner, size_t& removed)
{
    const fs::path path(entry);
    const std::string base = path.filename().string();
    std::string prefix;
    ProcessStamp stamp;
    // Only entries made by the record's own process, never a path anything else could name.
    if (!path.is_absolute() || !ParseStampedName(base + std::string(kTemporaryRandomChars, 'x'), prefix, stamp) ||
        !(stamp == owner))
        return true;
    const std::string folder = path.parent_path().string();
    bool missing = false;
    const std::vector<std::string> names = NamesIn(folder, &missing);
    // A folder out of reach (an unmounted disk, say) is looked at again by a later start; one
    // that opened lists at least "." and "..".
    bool allGone = missing || !names.empty();
    for (const std::string& name : names) {
        if (name.size() != base.size() + kTemporaryRandomChars || name.compare(0, base.size(), base) != 0) continue;
        bool random = true;
        for (size_t i = base.size(); i < name.size(); ++i)
            random = random && std::isalnum(static_cast<unsigned char>(name[i]));
        if (!random) continue;
        const std::string candidate = (fs::path(folder) / name).string();
        if (RemoveLeftover(candidate, kLeftoverMinimumAge)) ++removed;
        else allGone = false;
    }
    return allGone;
}

size_t SweepRecords()
{
    const std::string folder = TemporaryRecordFolder();
    if (folder.empty()) return 0;
    size_t removed = 0;
    const ProcessStamp own = OwnProcessStamp();
    for (const std::string& name : NamesIn(folder)) {
        ProcessStamp owner;
        bool halfWritten = false;
        if (!ParseTemporaryRecordName(name, owner, halfWritten) || owner == own || ProcessIsRunning(owner)) continue;
        const std::string path = (fs::path(folder) / name).string();
        std::string bytes;
        if (halfWritten || !ReadRecord(path, bytes)) {
            ::unlink(path.c_str());
            continue;
        }
        bool allGone = true;
        size_t from = 0;
        while (from < bytes.size()) {
            size_t end = bytes.find('\0', from);
            if (end == std::string::npos) end = bytes.size();
            if (end > from) allGone = SweepEntry(bytes.substr(from, end - from), owner, removed) && allGone;
            from = end + 1;
        }
        if (allGone) ::unlink(path.c_str());
    }
    return removed;
}

size_t SweepTemporaryFolder()
{
    std::error_code ec;
    const fs::path folder = fs::temp_directory_path(ec);
    if (ec) return 0;
    size_t removed = 0;
    const ProcessStamp own = OwnProcessStamp();
    for (const std::string& name : NamesIn(folder.string())) {
        bool ours = false;
        for (const char* prefix : kOwnPrefixes) ours = ours || name.starts_with(prefix);
        std::string prefix;
        ProcessStamp stamp;
        if (!ours || !ParseStampedName(name, prefix, stamp) || stamp == own) continue;
        if (RemoveLeftover((folder / name).string(), kLeftoverMinimumAge)) ++removed;
    }
    return removed;
}

} // namespace

bool RemoveLeftover(const std::string& path, std::chrono::seconds minimumAge, LeftoverKind kind)
{
    const int savedErrno = errno;
    std::string prefix;
    ProcessStamp maker;
    const bool stamped = ParseStampedName(fs::path(path).filename().string(), prefix, maker);
    if (stamped && ProcessIsRunning(maker)) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        errno = savedErrno;
        return false;
    }
    bool removed = false;
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    const bool kindAllowed = S_ISREG(st.st_mode) || (S_ISDIR(st.st_mode) && kind == LeftoverKind::FileOrFolder);
    if (known && kindAllowed && st.st_uid == ::geteuid() && OldEnough(st, minimumAge)) {
        // A file system without flock cannot lock; then the name's maker alone tells.
        const bool unlocked = ::flock(fd, LOCK_EX | LOCK_NB) == 0 || (stamped && errno != EWOULDBLOCK);
        if (unlocked && StillNamed(fd, path)) {
            std::error_code ec;
            if (S_ISDIR(st.st_mode)) removed = fs::remove_all(path, ec) > 0 && !ec; // links inside are not followed
            else removed = ::unlink(path.c_str()) == 0;
        }
    }
    ::close(fd); // drops the lock
    errno = savedErrno;
    return removed;
}

size_t SweepLeftovers()
{
    const int savedErrno = errno;
    const size_t removed = SweepTemporaryFolder() + SweepRecords();
    errno = savedErrno;
    return removed;
}
