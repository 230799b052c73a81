#include "document/OutputGate.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>


namespace fs = std::filesystem;

namespace {

// A symbolic link that points at another is followed this many times at most (a loop ends).
constexpr int kMaxLinkHops = 40;

} // namespace

OutputGate::OutputGate(Existing existing) : m_existing(existing) {}

void OutputGate::AddInput(const std::string& path, const std::string& role)
{
    if (path.empty()) return;
    Input input;
    input.path = Resolve(path);
    input.role = role;
    struct stat st {};
    if (::stat(input.path.c_str(), &st) == 0) {
        input.exists = true;
        input.device = st.st_dev;
        input.inode = st.st_ino;
    }
    m_inputs.push_back(std::move(input));
}

std::string OutputGate::Resolve(const std::string& target)
{
    std::error_code ec;
    fs::path path = fs::absolute(target, ec);
    if (ec) return target;
    // The folder as it really is, then the file's own links, one at a time: a link to a file
    // that does not exist yet still names where the output goes.
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        const fs::path folder = fs::weakly_canonical(path.parent_path(), ec);
        if (!ec) path = folder / path.filename();
        if (!fs::is_symlink(fs::symlink_status(path, ec))) break;
        const fs::path next = fs::read_symlink(path, ec);
        if (ec) break;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path.lexically_normal().string();
}

std::string OutputGate::WriteTarget(const std::string& target)
{
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(target, ec)) ? Resolve(target) : target;
}

const OutputGate::Input* OutputGate::InputAt(const std::string& resolved) const
{
    struct stat st {};
    const bool exists = ::stat(resolved.c_str(), &st) == 0;
    for (const Input& input : m_inputs) {
        if (input.path == resolved) return &input;
        if (exists && input.exists && input.device == st.st_dev && input.inode == st.st_ino) return &input;
    }
    return nullptr;
}

std::string OutputGate::Refusal(const std::string& target) const
{
    const std::string resolved = Resolve(target);
    const std::string named = "\"" + target + "\"";
    if (const Input* input = InputAt(resolved))
        return named + " is " + input->role + ", which no output may replace; choose another name.";
    std::error_code ec;
    const fs::file_status status = fs::status(resolved, ec);
    if (fs::is_directory(status)) return named + " is a folder; give the name of a file.";
    if (fs::exists(status) && !fs::is_regular_file(status))
        return named + " is not a regular file; give the name of a file.";
    if (m_existing == Existing::Refuse && fs::exists(status)) return named + " already exists; --force replaces it.";
    return {};
}

std::string OutputGate::Refusal(const std::vector<std::string>& targets) const
{
    for (const std::string& target : targets)
        if (std::string why = Refusal(target); !why.empty()) return why;
    return {};
}
