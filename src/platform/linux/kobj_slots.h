// Objects in the table's slots: finding, creating and dropping them with the holds of the
// processes, purging what dead processes left, and mutex ownership.
#pragma once

#include "platform/linux/kobj_table.h"

#include <functional>
#include <memory>
#include <string>

namespace platform::kobj {

// A handle's reference to its slot.
struct ObjectRef {
    std::shared_ptr<Table> table;
    std::uint32_t slot = 0;
    std::uint32_t generation = 0;
    ProcessId holder; // the process that took the hold (a forked child does not own it)
};

// The slot of ref when it still holds an object of that kind (under the lock), else null.
Slot* Resolve(const ObjectRef& ref, SlotKind kind);

// Finds the object of that kind and name and adds a hold of this process, or (create) fills
// a free slot with init and publishes it. anonymous objects are never found. onFound runs for
// an existing object after the hold was added; its error takes the hold back. Runs under
// WithTable, so init and onFound run under the lock.
struct AcquireRequest {
    SlotKind kind = SlotKind::Free;
    std::string name;
    bool create = false;
    bool anonymous = false;
    std::function<int(Table&, Slot&)> init;
    std::function<int(Table&, Slot&)> onFound;
};
int AcquireObject(const AcquireRequest& request, ObjectRef& ref, bool& existed);

// Drops this process's hold taken with ref; the object goes when nobody holds it any more.
void ReleaseObject(ObjectRef& ref);

// The following run under the lock.

// Drops the holds of processes that ended and the objects nobody holds any more, reclaims lost
// mutexes whose owners are gone, clears records of waiters that ended.
void Purge(Table& table, TableLock& lock);

// Mutex ownership.
enum class TakeResult { Taken, TakenAbandoned, Busy, Failed };
TakeResult TakeMutex(Slot& slot);
bool ReleaseMutex(Slot& slot);
ThreadToken CurrentThreadToken();

// Removes the table file when no object and no waiter is left (under the lock).
void RetireIfEmpty(Table& table);

} // namespace platform::kobj
