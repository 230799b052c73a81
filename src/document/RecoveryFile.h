#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A copy of an unsaved song kept while the program runs, so that a crash or a kill loses no
// work: one file per running program in $XDG_STATE_HOME/tessavox (~/.local/state/tessavox),
// named after the process, replaced atomically, removed when the song is saved or closed and
// at a clean exit. A later start finds the files of programs that are gone.
class RecoveryFile {
public:
    // A song found by a later start.
    struct Found {
        std::string file;        // the recovery file itself
        std::string projectPath; // where the song was saved before, empty for an untitled song
        std::vector<uint8_t> project; // the project file's bytes
    };

    // The folder (made on first write); empty when neither XDG_STATE_HOME nor HOME is set.
    static std::string Folder();
    // This process's file in that folder.
    static std::string ForThisProcess();
    // The files left by programs that no longer run, oldest first. Unreadable ones are skipped.
    static std::vector<Found> FindLeftBehind();
    // Reads one recovery file; false when it is not one.
    static bool Read(const std::string& file, Found& found);

    explicit RecoveryFile(std::string path = ForThisProcess()) : m_path(std::move(path)) {}
    const std::string& Path() const { return m_path; }
    // Writes the song's project bytes and its project path: a new file renamed over the old
    // one, so a crash while writing leaves the previous copy. False with errno set on failure.
    bool Write(const std::string& projectPath, const std::vector<uint8_t>& project) const;
    void Remove() const;

private:
    std::string m_path;
};
