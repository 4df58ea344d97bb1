#include "platform/thread_priority.h"

#include <algorithm>
#include <cerrno>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {

bool RaiseCurrentThreadPriority() {
    constexpr int kWantedNice = -10;
    // On Linux a nice value set for a thread id applies to that thread alone.
    const auto tid = static_cast<id_t>(gettid());
    errno = 0;
    int current = getpriority(PRIO_PROCESS, tid);
    if (current == -1 && errno != 0)
        return false;
    int lowest = kWantedNice;
    rlimit limit{};
    if (geteuid() != 0 && getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        lowest = std::max(kWantedNice, 20 - static_cast<int>(limit.rlim_cur));
    if (lowest >= current)
        return false;
    return setpriority(PRIO_PROCESS, tid, lowest) == 0;
}

bool LowerCurrentThreadPriority() {
    constexpr int kBackgroundNice = 10;
    const auto tid = static_cast<id_t>(gettid());
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, tid);
    if (current == -1 && errno != 0)
        return false;
    return current >= kBackgroundNice || setpriority(PRIO_PROCESS, tid, kBackgroundNice) == 0;
}

} // namespace platform
