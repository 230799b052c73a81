#pragma once
#include <string>

// A new version of a file, written under a temporary name in the same folder and renamed over
// the old file only once it is complete. Until Commit succeeds the old file stays as it was;
// an abandoned or failed replacement removes its temporary file, and temporary files that
// killed replacements left are removed by the next one. For files too large to build in
// memory (small ones can use WriteFileAtomically).
class ReplacingFile {
public:
    explicit ReplacingFile(std::string target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the empty temporary file. False when the folder does not let us.
    bool Create();
    // Where to write the new contents (empty before Create).
    const std::string& TempPath() const { return m_temp; }
    // Flushes the temporary file to disk, gives it the old file's permissions (or those of a
    // new file) and renames it over the target. The caller must have closed its own handle.
    bool Commit();
    // Removes the temporary file (also done by the destructor unless committed).
    void Abandon();

private:
    std::string m_target;
    std::string m_temp;
    // Held open (and so locked) from Create to Commit or Abandon: a live replacement is never
    // taken for the left-over of a killed one.
    int m_fd = -1;
};
