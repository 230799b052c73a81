#include "media/PrivateWorkFolder.h"

#include <filesystem>
#include <mutex>

#include "media/ScratchFolder.h"

namespace {

// "tessavox-work-PID-START-XXXXXX": a user who finds one knows whose it is.
constexpr const char* kFolderPrefix = "tessavox-work";

// Owns the folder for the life of the process: its destructor runs at exit.
class Holder {
public:
    std::string Path()
    {
        std::lock_guard lock(m_mutex);
        if (m_folder.Path().empty()) m_folder.Create({}, kFolderPrefix);
        return m_folder.Path().string();
    }

    void Remove()
    {
        std::lock_guard lock(m_mutex);
        m_folder.Remove();
    }

private:
    std::mutex m_mutex;
    ScratchFolder m_folder;
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
    return folder.empty() ? std::string() : (std::filesystem::path(folder) / name).string();
}

void PrivateWorkFolder::Remove()
{
    TheHolder().Remove();
}
