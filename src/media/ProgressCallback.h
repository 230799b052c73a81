#pragma once
#include <functional>

// Long work reports whole percentages (0-100) as it goes; the callback returns false to ask for
// the work to stop. An empty callback lets the work run to its end.
using ProgressCallback = std::function<bool(int percent)>;

// Calls the callback when there is one; true means "go on".
inline bool ReportProgress(const ProgressCallback& progress, int percent)
{
    return !progress || progress(percent);
}
