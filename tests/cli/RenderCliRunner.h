#pragma once
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "player/PngCodec.h"
#include "support/TempDir.h"

// Runs the built tessavox-cli (or another program) with arguments, without a shell
// interpreting them, and collects its exit status and everything it printed.
struct CliRun {
    int status = -1;
    std::string output;
};

inline std::string ShellQuote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

inline CliRun RunProgram(const std::string& program, const std::vector<std::string>& args)
{
    std::string command = ShellQuote(program);
    for (const std::string& a : args) command += " " + ShellQuote(a);
    command += " 2>&1";
    CliRun run;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    const int rc = ::pclose(pipe);
    run.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return run;
}

inline CliRun RunCli(const std::vector<std::string>& args)
{
    return RunProgram(TESSAVOX_CLI_PATH, args);
}

// The PNG at path, or a 0 x 0 picture when it cannot be read.
inline RgbImage LoadPng(const std::string& path)
{
    RgbImage image;
    std::string error;
    if (!DecodePng(ReadFileBytes(path), image, error)) return RgbImage{};
    return image;
}
