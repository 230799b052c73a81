#pragma once
#include <filesystem>
#include <string>

// A private folder for the pieces of one piece of work (a zipped export's members, a set of
// files waiting to be renamed into place), open to the user alone and removed with what it
// holds when the holder goes. Its name carries the process that made it
// ("tessavox-export-1234-5678901-Ab3dEf"), it is locked while held and it is recorded, so that
// a later start removes it when a kill or a power cut kept this process from doing so.
class ScratchFolder {
public:
    ScratchFolder() = default;
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Makes a new folder named prefix, the process's stamp and a unique part in under (the
    // system's temporary folder when under is empty). False with errno set when it cannot be
    // made.
    bool Create(const std::string& under, const std::string& prefix);
    // The folder; empty before Create.
    const std::filesystem::path& Path() const { return m_path; }
    // Removes the folder and everything in it now.
    void Remove();

private:
    std::filesystem::path m_path;
    std::string m_recorded; // the entry in the process's record of temporaries
    int m_lock = -1;        // the folder, open and locked
};
