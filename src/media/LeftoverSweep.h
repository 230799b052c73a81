#pragma once
#include <chrono>
#include <cstddef>
#include <string>

// What a killed, crashed or powered-off run left behind: work folders ("tessavox-work-…") and
// scratch folders ("tessavox-export-…") in the temporary folder, and hidden temporary files
// and folders beside the user's outputs, found through the records their makers kept (see
// TemporaryOwner.h). Every start of the window and of the command line calls SweepLeftovers.

// A temporary this young is never taken for a left-over: it may be one whose maker has not
// locked it yet, from a process this one cannot see.
inline constexpr std::chrono::seconds kLeftoverMinimumAge{3};

// Removes the left-overs of processes that are gone, and their records. Only names of our
// pattern, only regular files and folders (never a link, never followed) of this user, none
// younger than kLeftoverMinimumAge, none locked. Returns how many were removed.
size_t SweepLeftovers();

enum class LeftoverKind { File, FileOrFolder };

// Removes path when it is a temporary that nobody holds: a regular file (or a folder, when
// kind allows) of this user, not a link, last changed at least minimumAge ago, whose lock can
// be taken and whose maker (when its name carries one) is gone. True when it was removed.
bool RemoveLeftover(const std::string& path, std::chrono::seconds minimumAge,
                    LeftoverKind kind = LeftoverKind::FileOrFolder);
