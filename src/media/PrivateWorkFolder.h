#pragma once
#include <string>

// The process's own folder for its work files (music decoded for playing and exporting): made
// on first use under the temporary folder with a unique name that carries the process, open to
// the user alone, and removed with everything in it when the process ends (or by a later start
// when it was killed). Two runs of the program, a window and a command-line export, say, never
// share a work file.
class PrivateWorkFolder {
public:
    // The folder, made when first asked for; empty when it cannot be made.
    static std::string Path();
    // A file of that name in the folder; empty when there is no folder.
    static std::string FilePath(const std::string& name);
    // Removes the folder and its files now (the end of the process does it too); a later Path()
    // makes a new one.
    static void Remove();
};
