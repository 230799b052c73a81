#pragma once
#include <memory>
#include <string>

// A ZIP archive of deflated files, written under a temporary name beside its path and renamed
// into place only when Close succeeds; anything else (a failed add, the writer going away)
// leaves no archive and an old file of that name as it was.
class ZipArchiveWriter {
public:
    ZipArchiveWriter();
    ~ZipArchiveWriter();
    ZipArchiveWriter(const ZipArchiveWriter&) = delete;
    ZipArchiveWriter& operator=(const ZipArchiveWriter&) = delete;

    // False when the archive cannot be created.
    bool Create(const std::string& path);
    // Adds the file at sourcePath under entryName (kept with its modification time). Returns 0,
    // or the archive library's error code (negative) when the file cannot be read or added.
    int AddFile(const std::string& sourcePath, const std::string& entryName);
    // Writes the central directory and puts the archive in place.
    bool Close();
    // Gives up the archive: the temporary file goes, the target is untouched.
    void Abandon();

private:
    struct State;
    std::unique_ptr<State> m_state;
};
