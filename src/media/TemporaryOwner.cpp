#include "media/TemporaryOwner.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// In /proc/PID/stat the start time is field 22; counted from the state (field 3), which
// follows the command name in parentheses.
constexpr int kStartFieldAfterName = 22 - 3;
constexpr const char* kRecordSubfolder = "tessavox/temporary-files";
constexpr const char* kDefaultStateHome = ".local/state";
constexpr const char* kRecordExtension = ".list";
constexpr const char* kHalfWrittenEnd = ".new";
constexpr mode_t kPrivateFolderMode = 0700;
constexpr mode_t kPrivateFileMode = 0600;
// Longer than any /proc/PID/stat line up to its start time.
constexpr size_t kStatBytes = 1024;
// Ids and tick counts of 64 bits.
constexpr size_t kMaxDigits = 19;

// Keeps errno as it was for the life of the object.
class ErrnoKeeper {
public:
    ErrnoKeeper() : m_saved(errno) {}
    ~ErrnoKeeper() { errno = m_saved; }
    ErrnoKeeper(const ErrnoKeeper&) = delete;
    ErrnoKeeper& operator=(const ErrnoKeeper&) = delete;

private:
    int m_saved;
};

// 0 when the start cannot be read; exists false when there is no such process.
uint64_t StartTicksOf(const std::string& statPath, bool& exists)
{
    const int fd = ::open(statPath.c_str(), O_RDONLY | O_CLOEXEC);
    exists = fd >= 0 || errno != ENOENT;
    if (fd < 0) return 0;
    char buffer[kStatBytes];
    const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (n <= 0) return 0;
    const std::string line(buffer, size_t(n));
    const size_t nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos) return 0;
    std::istringstream fields(line.substr(nameEnd + 1));
    std::string field;
    for (int i = 0; i <= kStartFieldAfterName && fields >> field; ++i)
        if (i == kStartFieldAfterName) return std::strtoull(field.c_str(), nullptr, 10);
    return 0;
}

void MakePrivateFolders(const fs::path& folder)
{
    fs::path sofar;
    for (const fs::path& part : folder) {
        sofar /= part;
        ::mkdir(sofar.c_str(), kPrivateFolderMode); // existing levels stay as they are
    }
}

bool WriteAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

// The entries of this process, written out whole after every change.
class Record {
public:
    void Add(const std::string& entry)
    {
        std::lock_guard lock(m_mutex);
        StartOverAfterFork();
        m_entries.push_back(entry);
        // Made durable before the temporary exists: after a power cut the record must still
        // point at whatever reached the disk.
        Write(true);
    }

    void Remove(const std::string& entry)
    {
        std::lock_guard lock(m_mutex);
        StartOverAfterFork();
        const auto at = std::find(m_entries.begin(), m_entries.end(), entry);
        if (at == m_entries.end()) return;
        m_entries.erase(at);
        Write(false);
    }

private:
    // A child made by fork inherits the parent's entries, which are not its to keep.
    void StartOverAfterFork()
    {
        const ProcessStamp own = OwnProcessStamp();
        if (own == m_owner) return;
        m_owner = own;
        m_entries.clear();
    }

    void Write(bool durable)
    {
        const std::string folder = TemporaryRecordFolder();
        if (folder.empty()) return;
        const std::string path = (fs::path(folder) / TemporaryRecordName(m_owner)).string();
        if (m_entries.empty()) {
            ::unlink(path.c_str());
            return;
        }
        MakePrivateFolders(folder);
        std::string bytes;
        for (const std::string& entry : m_entries) bytes += entry + '\0'; // a path may hold a newline
        const std::string next = (fs::path(folder) / ("." + TemporaryRecordName(m_owner) + kHalfWrittenEnd)).string();
        const int fd = ::open(next.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, kPrivateFileMode);
        if (fd < 0) return;
        bool ok = WriteAll(fd, bytes);
        ok = ok && (!durable || ::fsync(fd) == 0);
        ok = ::close(fd) == 0 && ok;
        if (!ok || ::rename(next.c_str(), path.c_str()) != 0) ::unlink(next.c_str());
    }

    std::mutex m_mutex;
    ProcessStamp m_owner;
    std::vector<std::string> m_entries;
};

Record& TheRecord()
{
    // Never destroyed: objects destroyed at exit still forget their temporaries through it.
    static Record* record = new Record;
    return *record;
}

} // namespace

ProcessStamp OwnProcessStamp()
{
    static std::mutex mutex;
    static ProcessStamp cached;
    std::lock_guard lock(mutex);
    const int64_t pid = ::getpid();
    if (cached.pid != pid) {
        ErrnoKeeper keep;
        bool exists = false;
        cached = {pid, StartTicksOf("/proc/self/stat", exists)};
    }
    return cached;
}

std::string StampText(const ProcessStamp& stamp)
{
    return std::to_string(stamp.pid) + "-" + std::to_string(stamp.startTicks);
}

bool ParseStampedName(const std::string& name, std::string& prefix, ProcessStamp& stamp)
{
    // Read from the end: six letters or digits, "-", the start, "-", the id, and the prefix.
    if (name.size() <= kTemporaryRandomChars) return false;
    size_t at = name.size() - kTemporaryRandomChars;
    for (size_t i = at; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    const auto digitsBefore = [&name](size_t end) {
        size_t from = end;
        while (from > 0 && std::isdigit(static_cast<unsigned char>(name[from - 1]))) --from;
        return from;
    };
    if (name[--at] != '-') return false;
    const size_t startAt = digitsBefore(at);
    if (startAt == at || startAt == 0 || name[startAt - 1] != '-' || at - startAt > kMaxDigits) return false;
    const size_t pidEnd = startAt - 1;
    const size_t pidAt = digitsBefore(pidEnd);
    if (pidAt == pidEnd || pidAt == 0 || pidEnd - pidAt > kMaxDigits) return false;
    prefix = name.substr(0, pidAt);
    stamp.pid = std::strtoll(name.substr(pidAt, pidEnd - pidAt).c_str(), nullptr, 10);
    stamp.startTicks = std::strtoull(name.substr(startAt, at - startAt).c_str(), nullptr, 10);
    return stamp.pid > 0;
}

bool ProcessIsRunning(const ProcessStamp& stamp)
{
    ErrnoKeeper keep;
    if (stamp.pid <= 0) return false;
    bool exists = false;
    const uint64_t start = StartTicksOf("/proc/" + std::to_string(stamp.pid) + "/stat", exists);
    if (!exists) return false;
    if (start != 0 && stamp.startTicks != 0) return start == stamp.startTicks;
    // /proc tells nothing: a process of that id is taken to be the owner.
    return ::kill(pid_t(stamp.pid), 0) == 0 || errno == EPERM;
}

void RecordTemporary(const std::string& pathUpToRandomPart)
{
    ErrnoKeeper keep;
    TheRecord().Add(pathUpToRandomPart);
}

void ForgetTemporary(const std::string& pathUpToRandomPart)
{
    ErrnoKeeper keep;
    TheRecord().Remove(pathUpToRandomPart);
}

std::string TemporaryRecordFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    // The base directory rules ignore a relative path.
    if (state && state[0] == '/') return (fs::path(state) / kRecordSubfolder).string();
    const char* home = std::getenv("HOME");
    std::string base = home && home[0] == '/' ? home : "";
    if (base.empty())
        if (const passwd* user = ::getpwuid(::geteuid()); user && user->pw_dir) base = user->pw_dir;
    if (base.empty()) return {};
    return (fs::path(base) / kDefaultStateHome / kRecordSubfolder).string();
}

std::string TemporaryRecordName(const ProcessStamp& stamp)
{
    return StampText(stamp) + kRecordExtension;
}

bool ParseTemporaryRecordName(const std::string& name, ProcessStamp& stamp, bool& halfWritten)
{
    std::string stem = name;
    halfWritten = stem.starts_with(".") && stem.ends_with(kHalfWrittenEnd);
    if (halfWritten) stem = stem.substr(1, stem.size() - 1 - std::char_traits<char>::length(kHalfWrittenEnd));
    if (!stem.ends_with(kRecordExtension)) return false;
    stem.resize(stem.size() - std::char_traits<char>::length(kRecordExtension));
    // The stamp reads as a stamped name with a one-letter prefix and a random part added.
    std::string prefix;
    return ParseStampedName("r" + stem + "-xxxxxx", prefix, stamp) && prefix == "r";
}
