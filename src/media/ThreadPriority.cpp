#include "media/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Levels as the settings store them.
constexpr int kIdle = -15;
constexpr int kTimeCritical = 15;
constexpr int kHighest = 2;
// Each step of -2 ... 2 moves the nice value by this much; idle and time critical take the ends.
constexpr int kNicePerLevel = 5;
constexpr int kNiceLowest = 19;
constexpr int kNiceHighest = -20;

} // namespace

int NiceValueForPriority(int level)
{
    if (level <= kIdle) return kNiceLowest;
    if (level >= kTimeCritical) return kNiceHighest;
    if (level > kHighest) level = kHighest;
    if (level < -kHighest) level = -kHighest;
    return -level * kNicePerLevel;
}

bool SetCurrentThreadPriority(int level)
{
    // On Linux a nice value set for a thread id applies to that thread alone.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    return setpriority(PRIO_PROCESS, tid, NiceValueForPriority(level)) == 0;
}
