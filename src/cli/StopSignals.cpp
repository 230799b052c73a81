#include "cli/StopSignals.h"

#include <atomic>
#include <csignal>

namespace {

constexpr int kSignalExitBase = 128;
constexpr int kStopSignalList[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> g_received{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler may only touch lock-free atomics");

extern "C" void NoteStopSignal(int signal)
{
    int none = 0;
    // The first signal is the one that counts.
    g_received.compare_exchange_strong(none, signal);
}

} // namespace

void StopSignals::Install()
{
    struct sigaction action {};
    action.sa_handler = NoteStopSignal;
    sigemptyset(&action.sa_mask);
    // Reads and waits go on after the handler; the commands look at the flag between steps.
    action.sa_flags = SA_RESTART;
    for (int signal : kStopSignalList) sigaction(signal, &action, nullptr);
}

int StopSignals::Received()
{
    return g_received.load();
}

int StopSignals::ExitStatus()
{
    return kSignalExitBase + Received();
}
