// Identity of processes and threads as the object table records them, and whether a recorded
// process still runs. A process id alone is not enough: ids are reused, so the table keeps the
// process's start time beside it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::kobj {

struct ProcessId {
    std::int32_t pid = 0;
    std::uint32_t reserved = 0;
    std::uint64_t start = 0; // start time in clock ticks after boot; 0 when unknown

    bool operator==(const ProcessId& other) const {
        return pid == other.pid && start == other.start;
    }
};

// The calling process (looked up again after a fork).
ProcessId CurrentProcess();

// A number that tells the calling thread apart from every other thread this process has run
// (thread ids are reused, these numbers are not). Never 0.
std::uint64_t CurrentThreadSerial();

// True while the process runs; a process that ended is dead also while its parent has not yet
// collected it.
bool ProcessAlive(const ProcessId& process);

// Remembers which processes were found alive during one pass over the table, so that each
// process is looked up once.
class Liveness {
public:
    bool Alive(const ProcessId& process) {
        for (std::size_t i = 0; i < count_; ++i) {
            if (known_[i].process == process)
                return known_[i].alive;
        }
        bool alive = ProcessAlive(process);
        if (count_ < kKnown)
            known_[count_++] = {process, alive};
        return alive;
    }

private:
    static constexpr std::size_t kKnown = 64;
    struct Entry {
        ProcessId process;
        bool alive;
    };
    Entry known_[kKnown] = {};
    std::size_t count_ = 0;
};

} // namespace platform::kobj
