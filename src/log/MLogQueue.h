#pragma once
#include <memory>
#include <string>

#include "log/MLog.h"

// The process-wide log: an enabled flag (off unless the user names a log file), the log file
// name and the queue of entries waiting to be written.
class MLogQueue {
public:
    static bool LoggingOn();
    // Appends the entry; with writeNow the whole queue is written at once.
    static void Add(std::unique_ptr<MLog> entry, bool writeNow);
    // Appends every queued entry to the log file and returns how many were written
    // (0 when logging is off).
    static int WriteQueue();
    static size_t Pending();

    // Switches logging on, appending to file (created when missing; an existing file must be a
    // log). Returns what went wrong when the file cannot be written or is something else
    // (logging stays off), or an empty text.
    static std::string SwitchOn(const std::string& file);
    // The log file the user named in the environment (TESSAVOX_LOG), or an empty text.
    static std::string FileFromEnvironment();

    // For tests only: switch logging and choose the file.
    static void SetEnabledForTesting(bool enabled, const std::string& file);
};
