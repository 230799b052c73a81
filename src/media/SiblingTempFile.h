#pragma once
#include <string>

// The hidden temporary file that a new version of a file is written to before it is renamed
// over the old one: ".<name>.PID-START-XXXXXX" in the target's folder, named after the process
// that writes it. While its descriptor is open it is locked (flock), which tells a live save's
// file from one that a killed save left behind; the process's record of temporaries lists it
// until ForgetSiblingTemp, so that a later start finds it (LeftoverSweep.h).

// Creates and opens (read-write) a new temporary file for target and locks it. Stale ones of
// the same target are removed first. Returns the descriptor and sets tempPath; -1 with errno
// set when the folder does not let us create it.
int CreateSiblingTemp(const std::string& target, std::string& tempPath);

// Takes a temporary file that was renamed into place or removed off the process's record.
void ForgetSiblingTemp(const std::string& tempPath);

// Removes the temporary files of target that no live writer holds: only names of exactly
// our pattern, only regular files of our own user, only when their lock can be taken.
void RemoveStaleSiblingTemps(const std::string& target);
