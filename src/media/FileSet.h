#pragma once
#include <string>
#include <vector>

#include "media/ScratchFolder.h"

// Files that belong together, such as an MP3+G pair with its LRC file, replaced as one. Each
// member is written under its own name in a private folder beside the targets; only when every
// member is complete are they renamed into place, one set at a time in a folder (two runs
// writing the same set take turns, so the set on disk is always one run's). When a rename
// fails, the members already moved are put back: the old set stays whole, and nothing of the
// new one is left.
class FileSet {
public:
    FileSet() = default;
    FileSet(const FileSet&) = delete;
    FileSet& operator=(const FileSet&) = delete;

    // Makes the private folder in folder. False with errno set when the folder does not let us.
    bool Begin(const std::string& folder);
    // Where to write the member that becomes target (a file of target's folder): a file of the
    // same name in the private folder. Empty before Begin.
    std::string MemberPath(const std::string& target);
    // Renames every member into place. False with errno set when the set could not be put in
    // place; the old files are then as they were, and FailedTarget names the member that failed.
    bool Commit();
    const std::string& FailedTarget() const { return m_failed; }

private:
    struct Member {
        std::string target;
        std::string written;
    };
    ScratchFolder m_scratch;
    std::vector<Member> m_members;
    std::string m_failed;
};
