#include "platform/linux/kobj_slots.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace platform::kobj {
namespace {

bool InUse(SlotKind kind) {
    return kind == SlotKind::Event || kind == SlotKind::Mutex || kind == SlotKind::Memory;
}

// Gives up the pthread lock of a mutex whose last handle went. False when a live thread other
// than the caller still owns it.
bool FreeMutexLock(Slot& slot) {
    if (slot.recursion > 0 && slot.owner == CurrentThreadToken()) {
        slot.recursion = 0;
        slot.owner = {};
        pthread_mutex_unlock(&slot.mutex);
        return true;
    }
    int rc = pthread_mutex_trylock(&slot.mutex);
    if (rc == EOWNERDEAD)
        pthread_mutex_consistent(&slot.mutex);
    if (rc == 0 || rc == EOWNERDEAD || rc == EDEADLK) {
        slot.recursion = 0;
        slot.owner = {};
        pthread_mutex_unlock(&slot.mutex);
        return true;
    }
    return rc != EBUSY; // an unrecoverable lock is made anew when the slot is reused
}

void FreeSlot(Table& table, Slot& slot) {
    if (slot.kind == SlotKind::Memory) {
        unlink(table.BlockPath(slot.blockSerial).c_str());
    } else if (slot.kind == SlotKind::Mutex || slot.kind == SlotKind::LostMutex) {
        if (!FreeMutexLock(slot)) {
            slot.kind = SlotKind::LostMutex;
            slot.anonymous = 1;
            slot.nameLength = 0;
            return;
        }
    }
    slot.kind = SlotKind::Free;
    ++slot.generation;
}

bool AddHolder(Slot& slot, const ProcessId& process) {
    for (Holder& holder : slot.holders) {
        if (holder.count > 0 && holder.process == process) {
            ++holder.count;
            return true;
        }
    }
    for (Holder& holder : slot.holders) {
        if (holder.count == 0) {
            holder.process = process;
            holder.count = 1; // written last: the entry counts from here on
            return true;
        }
    }
    return false;
}

// Takes one hold of the process back; true while anybody still holds the object.
bool DropHolder(Slot& slot, const ProcessId& process) {
    bool held = false;
    bool dropped = false;
    for (Holder& holder : slot.holders) {
        if (!dropped && holder.count > 0 && holder.process == process) {
            --holder.count;
            dropped = true;
        }
        held = held || holder.count > 0;
    }
    return held;
}

} // namespace

void RetireIfEmpty(Table& table) {
    TableLayout& data = table.Data();
    for (const Slot& slot : data.slots) {
        if (slot.kind != SlotKind::Free)
            return;
    }
    for (const WaiterRecord& waiter : data.waiters) {
        if (waiter.ticket != 0)
            return;
    }
    table.Retire();
}

Slot* Resolve(const ObjectRef& ref, SlotKind kind) {
    if (!ref.table || ref.slot >= kSlotCount)
        return nullptr;
    Slot& slot = ref.table->SlotAt(ref.slot);
    return slot.kind == kind && slot.generation == ref.generation ? &slot : nullptr;
}

int AcquireObject(const AcquireRequest& request, ObjectRef& ref, bool& existed) {
    existed = false;
    return WithTable([&](const std::shared_ptr<Table>& table, TableLock& lock) {
        Purge(*table, lock);
        ProcessId me = CurrentProcess();
        TableLayout& data = table->Data();
        int rc = 0;
        if (!request.anonymous) {
            for (std::uint32_t i = 0; i < kSlotCount; ++i) {
                Slot& slot = data.slots[i];
                if (slot.kind != request.kind || slot.anonymous != 0 ||
                    slot.nameLength != request.name.size() ||
                    std::memcmp(slot.name, request.name.data(), request.name.size()) != 0)
                    continue;
                if (!AddHolder(slot, me))
                    return ENOSPC;
                if (request.onFound && (rc = request.onFound(*table, slot)) != 0) {
                    DropHolder(slot, me);
                    return rc;
                }
                ref = {table, i, slot.generation, me};
                existed = true;
                return 0;
            }
        }
        if (!request.create) {
            RetireIfEmpty(*table);
            return ENOENT;
        }
        for (std::uint32_t i = 0; i < kSlotCount; ++i) {
            Slot& slot = data.slots[i];
            if (slot.kind != SlotKind::Free)
                continue;
            // The slot is filled while still free and published by setting its kind last.
            ++slot.generation;
            slot.anonymous = request.anonymous ? 1 : 0;
            slot.nameLength = static_cast<std::uint32_t>(request.name.size());
            std::memcpy(slot.name, request.name.data(), request.name.size());
            for (Holder& holder : slot.holders)
                holder = {};
            slot.manualReset = 0;
            slot.signalled = 0;
            slot.owner = {};
            slot.recursion = 0;
            slot.blockSize = 0;
            slot.blockSerial = 0;
            if (request.kind == SlotKind::Mutex &&
                (rc = InitRobustMutex(slot.mutex, PTHREAD_MUTEX_ERRORCHECK)) != 0)
                return rc;
            if (request.init && (rc = request.init(*table, slot)) != 0) {
                RetireIfEmpty(*table);
                return rc;
            }
            AddHolder(slot, me);
            slot.kind = request.kind;
            ref = {table, i, slot.generation, me};
            return 0;
        }
        return ENOSPC;
    });
}

void ReleaseObject(ObjectRef& ref) {
    if (!ref.table)
        return;
    // A copy inherited through fork() holds nothing: the hold belongs to the parent.
    if (ref.holder.pid == getpid()) {
        TableLock lock(*ref.table);
        if (lock.Locked() && ref.slot < kSlotCount) {
            Slot& slot = ref.table->SlotAt(ref.slot);
            if (InUse(slot.kind) && slot.generation == ref.generation &&
                !DropHolder(slot, ref.holder)) {
                FreeSlot(*ref.table, slot);
                RetireIfEmpty(*ref.table);
            }
        }
    }
    ref.table.reset();
}

void Purge(Table& table, TableLock& /*lock*/) {
    Liveness liveness;
    TableLayout& data = table.Data();
    for (Slot& slot : data.slots) {
        if (slot.kind == SlotKind::LostMutex) {
            FreeSlot(table, slot);
            continue;
        }
        if (!InUse(slot.kind))
            continue;
        bool held = false;
        for (Holder& holder : slot.holders) {
            if (holder.count == 0)
                continue;
            if (liveness.Alive(holder.process))
                held = true;
            else
                holder.count = 0;
        }
        if (!held)
            FreeSlot(table, slot);
    }
    for (WaiterRecord& waiter : data.waiters) {
        if (waiter.ticket != 0 && !liveness.Alive(waiter.process))
            waiter.ticket = 0;
    }
}

ThreadToken CurrentThreadToken() {
    return {CurrentProcess(), CurrentThreadSerial()};
}

TakeResult TakeMutex(Slot& slot) {
    ThreadToken me = CurrentThreadToken();
    if (slot.recursion > 0 && slot.owner == me) {
        if (slot.recursion == UINT32_MAX)
            return TakeResult::Failed;
        ++slot.recursion;
        return TakeResult::Taken;
    }
    int rc = pthread_mutex_trylock(&slot.mutex);
    if (rc == EBUSY)
        return TakeResult::Busy;
    TakeResult result = TakeResult::Taken;
    if (rc == EOWNERDEAD) {
        pthread_mutex_consistent(&slot.mutex);
        result = TakeResult::TakenAbandoned;
    } else if (rc == ENOTRECOVERABLE) {
        if (InitRobustMutex(slot.mutex, PTHREAD_MUTEX_ERRORCHECK) != 0 ||
            pthread_mutex_trylock(&slot.mutex) != 0)
            return TakeResult::Failed;
        result = TakeResult::TakenAbandoned;
    } else if (rc != 0 && rc != EDEADLK) {
        return TakeResult::Failed;
    }
    slot.owner = me;
    slot.recursion = 1;
    return result;
}

bool ReleaseMutex(Slot& slot) {
    if (slot.recursion == 0 || !(slot.owner == CurrentThreadToken()))
        return false;
    if (--slot.recursion == 0) {
        slot.owner = {};
        pthread_mutex_unlock(&slot.mutex);
    }
    return true;
}

} // namespace platform::kobj
