#include "media/PrivateWorkFolder.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* kFolderPattern = "tessavox-work-XXXXXX";
constexpr const char* kFallbackTempFolder = "/tmp";

// Owns the folder for the life of the process: its destructor runs at exit.
class Holder {
public:
    ~Holder() { Remove(); }

    std::string Path()
    {
        std::lock_guard lock(m_mutex);
        if (m_path.empty()) {
            std::error_code ec;
            fs::path base = fs::temp_directory_path(ec);
            if (ec) base = kFallbackTempFolder;
            std::string pattern = (base / kFolderPattern).string();
            // mkdtemp makes the folder with mode 0700 under a name no other process holds.
            if (::mkdtemp(pattern.data())) m_path = pattern;
        }
        return m_path;
    }

    void Remove()
    {
        std::lock_guard lock(m_mutex);
        if (m_path.empty()) return;
        std::error_code ec;
        fs::remove_all(m_path, ec);
        m_path.clear();
    }

private:
    std::mutex m_mutex;
    std::string m_path;
};

Holder& TheHolder()
{
    static Holder holder;
    return holder;
}

} // namespace

std::string PrivateWorkFolder::Path()
{
    return TheHolder().Path();
}

std::string PrivateWorkFolder::FilePath(const std::string& name)
{
    const std::string folder = Path();
    return folder.empty() ? std::string() : (fs::path(folder) / name).string();
}

void PrivateWorkFolder::Remove()
{
    TheHolder().Remove();
}
