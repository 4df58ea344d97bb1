// Waiting for up to kMaxWaitObjects slots of one table.
#pragma once

#include "platform/kobjects.h"
#include "platform/linux/kobj_slots.h"

#include <cstddef>
#include <cstdint>

namespace platform::kobj {

struct WaitTarget {
    std::uint32_t slot = 0;
    std::uint32_t generation = 0;
    SlotKind kind = SlotKind::Free; // Event or Mutex
};

// Registers the calling thread as waiting for the slots (for Pulse); -1 when no record is free.
// This and the next two run under the lock.
int RegisterWaiter(Table& table, const std::uint32_t* slots, std::size_t count);
void UnregisterWaiter(Table& table, int record);

// Releases the threads waiting for the event slot right now: all of them, or (auto-reset) the
// one that came first. Returns how many.
int PulseWaiters(Table& table, std::uint32_t slot, bool all);

// Waits as WaitForObjects does.
WaitResult WaitForSlots(Table& table, const WaitTarget* targets, std::size_t count,
                        std::uint32_t timeoutMs);

// A thread waiting for a mutex that another thread owns also sleeps on the mutex's own lock
// word, which the kernel wakes when the owner thread ends. Where the kernel cannot wait on
// several words at once (before Linux 5.16) the thread polls the mutex instead; tests switch
// the polling on with false.
void SetOwnerDeathWakeups(bool enabled);

} // namespace platform::kobj
