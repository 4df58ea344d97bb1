#include "platform/linux/kobj_process.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform::kobj {
namespace {

enum class ProcState { Running, Gone, Unknown };

// Reads the state letter and the start time from /proc/<pid>/stat.
ProcState ReadProcStat(int pid, std::uint64_t& start) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ESRCH ? ProcState::Gone : ProcState::Unknown;
    char text[1024];
    ssize_t n;
    do {
        n = read(fd, text, sizeof text - 1);
    } while (n < 0 && errno == EINTR);
    close(fd);
    if (n <= 0)
        return n < 0 && errno == ESRCH ? ProcState::Gone : ProcState::Unknown;
    text[n] = '\0';
    // The command name in parentheses may hold anything, so fields are counted after the last
    // ')': field 3 is the state, field 22 the start time.
    const char* p = std::strrchr(text, ')');
    if (p == nullptr || p[1] != ' ')
        return ProcState::Unknown;
    p += 2;
    char state = *p;
    if (state == 'Z' || state == 'X' || state == 'x')
        return ProcState::Gone;
    for (int field = 3; field < 22; ++field) {
        p = std::strchr(p, ' ');
        if (p == nullptr)
            return ProcState::Unknown;
        ++p;
    }
    start = std::strtoull(p, nullptr, 10);
    return ProcState::Running;
}

// The calling process's identity, found again after a fork (the id differs then). The start
// time is stored before the id, so a reader that sees its own id also sees its start time.
std::atomic<std::int32_t> cachedPid{0};
std::atomic<std::uint64_t> cachedStart{0};

} // namespace

ProcessId CurrentProcess() {
    ProcessId id;
    id.pid = getpid();
    if (cachedPid.load(std::memory_order_acquire) == id.pid) {
        id.start = cachedStart.load(std::memory_order_relaxed);
        return id;
    }
    std::uint64_t start = 0;
    if (ReadProcStat(id.pid, start) == ProcState::Running)
        id.start = start;
    cachedStart.store(id.start, std::memory_order_relaxed);
    cachedPid.store(id.pid, std::memory_order_release);
    return id;
}

std::uint64_t CurrentThreadSerial() {
    static std::atomic<std::uint64_t> lastSerial{0};
    thread_local std::uint64_t serial = ++lastSerial;
    return serial;
}

bool ProcessAlive(const ProcessId& process) {
    if (process.pid <= 0)
        return false;
    if (process.pid == getpid())
        return process.start == CurrentProcess().start;
    std::uint64_t start = 0;
    switch (ReadProcStat(process.pid, start)) {
    case ProcState::Gone:
        return false;
    case ProcState::Running:
        return process.start == 0 || start == process.start;
    case ProcState::Unknown:
        break;
    }
    // Without a readable /proc only the id can be checked.
    return kill(process.pid, 0) == 0 || errno == EPERM;
}

} // namespace platform::kobj
