#include "cli/CliRunner.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

#include "support/TempDir.h"

extern char** environ;

CliResult RunProgram(const std::string& program, const std::vector<std::string>& args, int timeoutSeconds)
{
    return RunProgramAlongside(program, args, {}, timeoutSeconds);
}

CliResult RunProgramAndSignal(const std::string& program, const std::vector<std::string>& args, int signal,
                              const std::function<bool()>& ready, int timeoutSeconds)
{
    bool sent = false;
    CliResult result = RunProgramAlongside(
        program, args,
        [&](int pid) {
            if (signal == 0 || !ready || !ready()) return false;
            kill(pid, signal);
            sent = true;
            return true;
        },
        timeoutSeconds);
    result.signalSent = sent;
    return result;
}

CliResult RunProgramAlongside(const std::string& program, const std::vector<std::string>& args,
                              const std::function<bool(int pid)>& alongside, int timeoutSeconds)
{
    CliResult result;
    TempDir dir;
    const std::string outPath = dir.File("stdout");
    const std::string errPath = dir.File("stderr");

    // Output goes to files rather than pipes: nothing can block however much the program writes.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return result;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int wstatus = 0;
    bool finished = !alongside;
    for (;;) {
        const pid_t done = waitpid(pid, &wstatus, WNOHANG);
        if (done == pid) break;
        if (done < 0) return result;
        if (!finished) finished = alongside(pid);
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGCONT); // in case alongside left it stopped
            kill(pid, SIGKILL);
            waitpid(pid, &wstatus, 0);
            result.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(wstatus)) result.status = WEXITSTATUS(wstatus);
    else if (WIFSIGNALED(wstatus)) {
        result.status = 128 + WTERMSIG(wstatus);
        result.killedBySignal = true;
    }

    const auto out = ReadFileBytes(outPath);
    const auto err = ReadFileBytes(errPath);
    result.out.assign(out.begin(), out.end());
    result.err.assign(err.begin(), err.end());
    return result;
}

CliResult RunCli(const std::vector<std::string>& args)
{
    return RunProgram(TESSAVOX_CLI_PATH, args);
}
