#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One record of a diagnostic log file, as written by MLogQueue.
struct LogFileEntry {
    char kind = 0;          // D, L, S (a dump of bytes), T (a text) or U (a user action)
    int64_t time = 0;       // seconds since 1970, UTC
    std::string name;
    std::string text;       // T: the message
    int action = 0;         // U: the action number
    size_t dataBytes = 0;   // D, L, S: how many bytes were dumped
};

struct LogFileReading {
    std::vector<LogFileEntry> entries;
    std::string failure;    // empty when the whole file was read
};

// Reads every record of a log file. A file that is not a log, or that ends inside a record,
// gives the records before the fault and says where it is.
LogFileReading ReadLogFile(const std::string& path);
