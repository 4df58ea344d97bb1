#include "platform/linux/kobj_futex.h"

#include <cerrno>
#include <climits>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef SYS_futex_waitv
#define SYS_futex_waitv 449
#endif

namespace platform::kobj {

timespec MonotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

timespec MonotonicAfter(const timespec& from, std::uint64_t ms) {
    timespec t = from;
    t.tv_sec += static_cast<time_t>(ms / 1000);
    t.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) {
        t.tv_nsec -= 1000000000L;
        ++t.tv_sec;
    }
    return t;
}

bool Reached(const timespec& now, const timespec& deadline) {
    return now.tv_sec > deadline.tv_sec ||
           (now.tv_sec == deadline.tv_sec && now.tv_nsec >= deadline.tv_nsec);
}

const timespec& EarlierOf(const timespec& a, const timespec& b) {
    return Reached(a, b) ? b : a;
}

void FutexWait(const std::uint32_t* word, std::uint32_t expected, const timespec& deadline) {
    // FUTEX_WAIT_BITSET takes an absolute time on the monotonic clock. The word lies in shared
    // memory, so the operation is not a private one.
    syscall(SYS_futex, word, FUTEX_WAIT_BITSET, expected, &deadline, nullptr,
            FUTEX_BITSET_MATCH_ANY);
}

bool FutexWaitAny(const FutexExpectation* words, std::size_t count, const timespec& deadline) {
    futex_waitv waiters[8] = {};
    if (count == 0 || count > 8)
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        waiters[i].uaddr = reinterpret_cast<std::uintptr_t>(words[i].word);
        waiters[i].val = words[i].expected;
        waiters[i].flags = FUTEX_32;
    }
    long rc = syscall(SYS_futex_waitv, waiters, static_cast<unsigned>(count), 0u, &deadline,
                      CLOCK_MONOTONIC);
    return rc >= 0 || errno != ENOSYS;
}

void FutexWakeAll(const std::uint32_t* word) {
    syscall(SYS_futex, word, FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
}

} // namespace platform::kobj
