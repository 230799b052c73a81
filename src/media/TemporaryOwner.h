#pragma once
#include <cstdint>
#include <string>

// Who made a temporary file or folder. Its name carries the maker's process id and the moment
// that process started ("tessavox-work-1234-5678901-Ab3dEf"), so that a later start can tell a
// left-over of a process that is gone from the work of one that still runs, even when the
// system has given the id to another process since.

struct ProcessStamp {
    int64_t pid = 0;
    // Clock ticks from boot to the process's start, as /proc shows it; 0 when unknown.
    uint64_t startTicks = 0;

    bool operator==(const ProcessStamp&) const = default;
};

// The number of random letters and digits that ends every temporary name.
inline constexpr size_t kTemporaryRandomChars = 6;

// This process's stamp.
ProcessStamp OwnProcessStamp();
// "PID-START", as it appears in names.
std::string StampText(const ProcessStamp& stamp);
// Splits a name of the form prefix + "PID-START-" + six letters or digits. False for any
// other name.
bool ParseStampedName(const std::string& name, std::string& prefix, ProcessStamp& stamp);
// True while the process of the stamp runs; true too when that cannot be told.
bool ProcessIsRunning(const ProcessStamp& stamp);

// Temporary files and folders beside the user's files cannot be found again by looking in
// one place, so each process keeps a record of the ones it may leave, in a folder of the
// user's state that outlives a reboot. An entry is the path of a temporary name up to its
// random part, written before the file or folder is made; it is dropped once that is gone,
// and the record with its last entry. Failures to keep the record are not errors (the
// temporary files work without it) and leave errno as it was.
void RecordTemporary(const std::string& pathUpToRandomPart);
void ForgetTemporary(const std::string& pathUpToRandomPart);

// The folder of the records: $XDG_STATE_HOME/tessavox/temporary-files, or
// ~/.local/state/tessavox/temporary-files. Empty when there is no home.
std::string TemporaryRecordFolder();
// The name of a process's record in that folder ("PID-START.list").
std::string TemporaryRecordName(const ProcessStamp& stamp);
// The process whose record a name in that folder is; halfWritten when it is the new version of
// a record that was being written. False for any other name.
bool ParseTemporaryRecordName(const std::string& name, ProcessStamp& stamp, bool& halfWritten);
