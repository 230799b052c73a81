#include "document/RecoveryFile.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "media/AtomicFile.h"

namespace {

constexpr const char* kMagic = "TessavoxRecovery 1\n";
constexpr const char* kPrefix = "recovery-";
constexpr const char* kSuffix = ".tvxr";
// A project path longer than this is no path.
constexpr size_t kMaxPathBytes = 4096;

// The process id in "recovery-<pid>.tvxr", 0 when the name is not one of ours.
pid_t ProcessOf(const std::string& name)
{
    const std::string prefix = kPrefix, suffix = kSuffix;
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    return pid_t(std::stol(digits));
}

bool Running(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

std::string RecoveryFile::Folder()
{
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        return std::string(state) + "/tessavox";
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.local/state/tessavox";
    return {};
}

std::string RecoveryFile::ForThisProcess()
{
    const std::string folder = Folder();
    if (folder.empty()) return {};
    return folder + "/" + kPrefix + std::to_string(::getpid()) + kSuffix;
}

bool RecoveryFile::Write(const std::string& projectPath, const std::vector<uint8_t>& project) const
{
    if (m_path.empty()) {
        errno = ENOENT;
        return false;
    }
    std::error_code ec;
    // The user's unsaved work is for the user alone.
    const std::filesystem::path folder = std::filesystem::path(m_path).parent_path();
    if (std::filesystem::create_directories(folder, ec))
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
    const std::string head = std::string(kMagic) + projectPath + "\n";
    std::vector<uint8_t> bytes(head.begin(), head.end());
    bytes.insert(bytes.end(), project.begin(), project.end());
    return WriteFileAtomically(m_path, bytes);
}

void RecoveryFile::Remove() const
{
    if (!m_path.empty()) ::unlink(m_path.c_str());
}

bool RecoveryFile::Read(const std::string& file, Found& found)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::string magic(std::strlen(kMagic), '\0');
    if (!in.read(magic.data(), std::streamsize(magic.size())) || magic != kMagic) return false;
    std::string path;
    if (!std::getline(in, path) || path.size() > kMaxPathBytes) return false;
    found.file = file;
    found.projectPath = path;
    found.project.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !found.project.empty();
}

std::vector<RecoveryFile::Found> RecoveryFile::FindLeftBehind()
{
    std::vector<std::pair<std::filesystem::file_time_type, Found>> left;
    std::error_code ec;
    const std::string folder = Folder();
    if (folder.empty()) return {};
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        const pid_t pid = ProcessOf(name);
        if (pid <= 0 || pid == ::getpid() || Running(pid)) continue;
        Found found;
        if (!Read(entry.path().string(), found)) continue;
        left.emplace_back(entry.last_write_time(ec), std::move(found));
    }
    std::sort(left.begin(), left.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Found> result;
    for (auto& l : left) result.push_back(std::move(l.second));
    return result;
}
