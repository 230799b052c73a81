#pragma once

// SIGINT, SIGTERM and SIGHUP ask the running command to stop. The handler only notes which
// signal came; the command sees it at its next check (its progress callbacks ask), stops its
// long work, removes what it had half written, and the program exits with 128 + the signal's
// number, the status a shell reports for a process the signal ended.
class StopSignals {
public:
    // Installs the handlers (once, at the start of the program).
    static void Install();
    // The signal that asked to stop, 0 while none has.
    static int Received();
    static bool Requested() { return Received() != 0; }
    // 128 + the signal's number.
    static int ExitStatus();
};
