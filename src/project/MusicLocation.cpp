#include "project/MusicLocation.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Folders of the stored path that are tried under the project's folder, nearest first.
constexpr size_t kMaxFoldersTried = 4;

bool IsFile(const fs::path& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

} // namespace

MusicLocation LocateMusic(const std::string& storedPath, const std::string& projectPath)
{
    MusicLocation where;
    if (storedPath.empty()) return where;
    where.tried.push_back(storedPath);
    if (IsFile(storedPath)) {
        where.path = storedPath;
        return where;
    }
    const fs::path stored(storedPath);
    std::error_code ec;
    const fs::path folder = fs::absolute(fs::path(projectPath), ec).parent_path();
    if (ec || stored.filename().empty() || folder.empty()) return where;

    // The stored path's last parts, one folder more each time.
    fs::path tail = stored.filename();
    fs::path rest = stored.parent_path();
    for (size_t n = 0; n <= kMaxFoldersTried; ++n) {
        const fs::path candidate = (folder / tail).lexically_normal();
        if (candidate.string() != storedPath) {
            where.tried.push_back(candidate.string());
            if (IsFile(candidate)) {
                where.path = candidate.string();
                where.moved = true;
                return where;
            }
        }
        if (rest.filename().empty() || rest == rest.root_path()) break;
        tail = rest.filename() / tail;
        rest = rest.parent_path();
    }
    return where;
}
