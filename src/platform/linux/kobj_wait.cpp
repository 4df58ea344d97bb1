#include "platform/linux/kobj_wait.h"

#include "platform/linux/kobj_futex.h"

#include <atomic>
#include <cerrno>
#include <linux/futex.h>

namespace platform::kobj {
namespace {

// How often a waiter looks at a busy mutex when the kernel cannot tell it of the owner's end.
constexpr std::uint64_t kOwnerPollMs = 20;
// Every sleep ends after this long at the latest, so that a process killed between changing
// the table and waking the waiters delays them by this much at most.
constexpr std::uint64_t kRecheckMs = 1000;

constexpr int kQuickRetries = 3;

std::atomic<bool> ownerDeathWakeups{true};

// Marks the lock word of a busy mutex as having waiters, so that the kernel wakes sleepers on
// it when the owner thread ends. The word is glibc's robust mutex word, which follows the
// kernel's robust futex protocol (owner thread id, FUTEX_WAITERS, FUTEX_OWNER_DIED); glibc's
// own lock sets the same bit before it sleeps. False when the owner is already gone: the
// caller then takes the mutex at once instead of sleeping.
bool ArmOwnerWakeup(Slot& slot, FutexExpectation& expectation) {
#if defined(__GLIBC__)
    int* word = &slot.mutex.__data.__lock;
    auto value = static_cast<std::uint32_t>(__atomic_load_n(word, __ATOMIC_ACQUIRE));
    if ((value & FUTEX_TID_MASK) == 0 || (value & FUTEX_OWNER_DIED) != 0)
        return false;
    std::uint32_t armed = value | FUTEX_WAITERS;
    if (armed != value) {
        int expected = static_cast<int>(value);
        if (!__atomic_compare_exchange_n(word, &expected, static_cast<int>(armed), false,
                                         __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE))
            return false;
    }
    expectation = {reinterpret_cast<const std::uint32_t*>(word), armed};
    return true;
#else
    (void)slot;
    (void)expectation;
    return false;
#endif
}

Slot* Lookup(Table& table, const WaitTarget& target) {
    if (target.slot >= kSlotCount)
        return nullptr;
    Slot& slot = table.SlotAt(target.slot);
    return slot.kind == target.kind && slot.generation == target.generation ? &slot : nullptr;
}

} // namespace

int RegisterWaiter(Table& table, const std::uint32_t* slots, std::size_t count) {
    TableLayout& data = table.Data();
    ProcessId me = CurrentProcess();
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < kWaiterCount; ++i) {
            WaiterRecord& waiter = data.waiters[i];
            if (waiter.ticket != 0)
                continue;
            waiter.process = me;
            waiter.count = static_cast<std::uint32_t>(count);
            for (std::size_t k = 0; k < count; ++k)
                waiter.slots[k] = slots[k];
            waiter.pulsed = -1;
            waiter.ticket = ++data.header.lastTicket; // written last: the record counts now
            return static_cast<int>(i);
        }
        // All records taken: free those of waiters whose process ended.
        Liveness liveness;
        for (WaiterRecord& waiter : data.waiters) {
            if (waiter.ticket != 0 && !liveness.Alive(waiter.process))
                waiter.ticket = 0;
        }
    }
    return -1;
}

void UnregisterWaiter(Table& table, int record) {
    if (record >= 0 && static_cast<std::size_t>(record) < kWaiterCount)
        table.Data().waiters[record].ticket = 0;
}

int PulseWaiters(Table& table, std::uint32_t slot, bool all) {
    Liveness liveness;
    TableLayout& data = table.Data();
    WaiterRecord* first = nullptr;
    int firstIndex = -1;
    int released = 0;
    for (WaiterRecord& waiter : data.waiters) {
        if (waiter.ticket == 0 || waiter.pulsed >= 0)
            continue;
        int index = -1;
        for (std::uint32_t k = 0; k < waiter.count && k < kMaxWaitObjects; ++k) {
            if (waiter.slots[k] == slot) {
                index = static_cast<int>(k);
                break;
            }
        }
        if (index < 0)
            continue;
        if (!liveness.Alive(waiter.process)) {
            waiter.ticket = 0; // killed while waiting: must not swallow the pulse
            continue;
        }
        if (all) {
            waiter.pulsed = index;
            ++released;
        } else if (first == nullptr || waiter.ticket < first->ticket) {
            first = &waiter;
            firstIndex = index;
        }
    }
    if (first != nullptr) {
        first->pulsed = firstIndex;
        released = 1;
    }
    return released;
}

void SetOwnerDeathWakeups(bool enabled) {
    ownerDeathWakeups = enabled;
}

WaitResult WaitForSlots(Table& table, const WaitTarget* targets, std::size_t count,
                        std::uint32_t timeoutMs) {
    WaitResult result;
    if (count == 0 || count > kMaxWaitObjects) {
        errno = EINVAL;
        return result;
    }
    const bool infinite = timeoutMs == kWaitInfinite;
    const timespec deadline = MonotonicAfter(MonotonicNow(), infinite ? 0 : timeoutMs);
    TableLock lock(table);
    if (!lock.Locked()) {
        errno = lock.Error();
        return result;
    }
    std::uint32_t slots[kMaxWaitObjects];
    for (std::size_t i = 0; i < count; ++i)
        slots[i] = targets[i].slot;
    int waiter = -1;
    int quickRetries = 0;
    for (;;) {
        if (waiter >= 0 && table.Data().waiters[waiter].pulsed >= 0) {
            result = {WaitStatus::Signalled, table.Data().waiters[waiter].pulsed};
            break;
        }
        // The first object that can fire wins; taking it happens here, under the lock.
        Slot* busy[kMaxWaitObjects] = {};
        bool done = false;
        for (std::size_t i = 0; i < count && !done; ++i) {
            Slot* slot = Lookup(table, targets[i]);
            int index = static_cast<int>(i);
            if (slot == nullptr) {
                errno = EINVAL;
                result = {WaitStatus::Failed, -1};
                done = true;
            } else if (slot->kind == SlotKind::Event) {
                if (slot->signalled != 0) {
                    if (slot->manualReset == 0)
                        slot->signalled = 0;
                    result = {WaitStatus::Signalled, index};
                    done = true;
                }
            } else {
                switch (TakeMutex(*slot)) {
                case TakeResult::Taken:
                    result = {WaitStatus::Signalled, index};
                    done = true;
                    break;
                case TakeResult::TakenAbandoned:
                    result = {WaitStatus::Abandoned, index};
                    done = true;
                    break;
                case TakeResult::Busy:
                    busy[i] = slot;
                    break;
                case TakeResult::Failed:
                    errno = EOVERFLOW;
                    result = {WaitStatus::Failed, -1};
                    done = true;
                    break;
                }
            }
        }
        if (done)
            break;
        timespec now = MonotonicNow();
        if (!infinite && Reached(now, deadline)) {
            result = {WaitStatus::TimedOut, -1};
            break;
        }
        if (waiter < 0 && (waiter = RegisterWaiter(table, slots, count)) < 0) {
            errno = ENOSPC;
            result = {WaitStatus::Failed, -1};
            break;
        }

        // Sleep until the table changes (read under the lock, so no change is missed) or, with
        // owner wake-ups, until a busy mutex's owner ends.
        FutexExpectation words[1 + kMaxWaitObjects];
        std::size_t wordCount = 0;
        words[wordCount++] = {table.ChangeCounter(),
                              __atomic_load_n(table.ChangeCounter(), __ATOMIC_ACQUIRE)};
        const bool wakeups = ownerDeathWakeups.load();
        bool anyBusy = false;
        bool ownerGone = false;
        for (std::size_t i = 0; i < count; ++i) {
            if (busy[i] == nullptr)
                continue;
            anyBusy = true;
            if (wakeups) {
                if (ArmOwnerWakeup(*busy[i], words[wordCount]))
                    ++wordCount;
                else
                    ownerGone = true;
            }
        }
        // An owner that ended just now: its mutex is free to take at once. (Should the lock word
        // keep saying so, fall back to polling rather than spin.)
        if (ownerGone && ++quickRetries <= kQuickRetries)
            continue;
        bool poll = anyBusy && (!wakeups || ownerGone);
        timespec wake = MonotonicAfter(now, poll ? kOwnerPollMs : kRecheckMs);
        if (!infinite)
            wake = EarlierOf(wake, deadline);
        lock.Unlock();
        if (wordCount > 1) {
            if (!FutexWaitAny(words, wordCount, wake))
                ownerDeathWakeups = false; // old kernel: poll from the next round on
        } else {
            FutexWait(words[0].word, words[0].expected, wake);
        }
        if (!lock.Relock()) {
            errno = lock.Error();
            return {WaitStatus::Failed, -1};
        }
    }
    UnregisterWaiter(table, waiter);
    return result;
}

} // namespace platform::kobj
