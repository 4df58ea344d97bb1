// Turning a synchronous fault signal into the fault record that guards report.
#pragma once

#include <csignal>
#include <cstdint>

#include "platform/fault_record.h"

namespace platform {

// The stack of the faulting thread, when the guard knows it: a SIGSEGV just below it is a
// stack overflow.
struct StackRange {
    std::uintptr_t low = 0;  // lowest usable address
    std::uintptr_t high = 0; // one past the highest
};

// Maps SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGTRAP with their siginfo (and the signal
// handler's ucontext, which tells a write from a read) to a fault record. Async-signal-safe.
FaultRecord FaultRecordFromSignal(int signal, const siginfo_t* info, const void* ucontext,
                                  const StackRange* stack = nullptr);

} // namespace platform
