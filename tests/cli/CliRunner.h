#pragma once
#include <functional>
#include <string>
#include <vector>

// What a finished program left behind.
struct CliResult {
    int status = -1;      // exit status; 128 + signal when it was killed, -1 when it never ran
    bool timedOut = false;
    bool killedBySignal = false; // ended by a signal rather than by exiting
    bool signalSent = false;     // RunProgramAndSignal: the signal went out while it ran
    std::string out;
    std::string err;

    // Everything the program printed, standard output first.
    std::string Output() const { return out + err; }
};

// Runs a program (a path, or a name looked up in PATH) with these arguments (no shell) and collects its output. A program that runs
// longer than the timeout is killed, so a hang fails the test instead of stalling it.
CliResult RunProgram(const std::string& program, const std::vector<std::string>& args, int timeoutSeconds = 120);

// Runs a program as RunProgram does and sends it a signal once ready() (asked every few
// milliseconds while it runs) says so; a program that ends first gets none (signalSent false).
CliResult RunProgramAndSignal(const std::string& program, const std::vector<std::string>& args, int signal,
                              const std::function<bool()>& ready, int timeoutSeconds = 120);

// Runs a program as RunProgram does and calls alongside(pid) every few milliseconds while it
// runs, until alongside returns true: to stop, inspect or resume the program halfway.
CliResult RunProgramAlongside(const std::string& program, const std::vector<std::string>& args,
                              const std::function<bool(int pid)>& alongside, int timeoutSeconds = 120);

// Runs the built tessavox-cli.
CliResult RunCli(const std::vector<std::string>& args);
