// The layout of the per-user object table, a file in the shared-memory folder that every
// process of the user maps: a slot per object (name, kind, state, the processes that hold it)
// and a record per waiting thread, under one robust process-shared lock.
#pragma once

#include "platform/kobjects.h"
#include "platform/linux/kobj_names.h"
#include "platform/linux/kobj_process.h"

#include <cstdint>
#include <pthread.h>

namespace platform::kobj {

constexpr std::size_t kSlotCount = 256;
constexpr std::size_t kHoldersPerSlot = 32;
constexpr std::size_t kWaiterCount = 128;

enum class SlotKind : std::uint32_t {
    Free = 0,
    Event = 1,
    Mutex = 2,
    Memory = 3,
    // A mutex that nobody holds a handle to any more while a live thread still owns it: it
    // cannot be found, and its slot is reused once the owner is gone.
    LostMutex = 4,
};

struct Holder {
    ProcessId process;
    std::uint32_t count = 0; // handles the process holds; 0 = entry unused
    std::uint32_t reserved = 0;
};

struct ThreadToken {
    ProcessId process;
    std::uint64_t thread = 0; // CurrentThreadSerial() of the owner

    bool operator==(const ThreadToken& other) const {
        return process == other.process && thread == other.thread;
    }
};

struct Slot {
    SlotKind kind;
    std::uint32_t generation; // changes whenever the slot is given to a new object
    std::uint32_t anonymous;  // made without a name: never found by name
    std::uint32_t nameLength;
    char name[kMaxNameBytes + 4];
    Holder holders[kHoldersPerSlot];
    // Events.
    std::uint32_t manualReset;
    std::uint32_t signalled;
    // Mutexes: a robust lock (the kernel marks it when its owner thread ends), taken only with
    // trylock by the thread that becomes the owner, and the owner with its number of takes.
    pthread_mutex_t mutex;
    ThreadToken owner;
    std::uint32_t recursion;
    std::uint32_t reserved;
    // Memory blocks: size and the serial that names the backing file.
    std::uint64_t blockSize;
    std::uint64_t blockSerial;
};

struct WaiterRecord {
    ProcessId process;
    std::uint64_t ticket; // order of arrival; 0 = record unused
    std::uint32_t slots[kMaxWaitObjects];
    std::uint32_t count;
    std::int32_t pulsed; // index of the object whose pulse released the waiter, or -1
};

struct TableHeader {
    std::uint32_t magic;
    std::uint32_t version;
    std::uint64_t layoutSize;
    pthread_mutex_t lock;
    std::uint32_t changes; // futex word
    std::uint32_t retired; // the file was removed: processes must attach again
    std::uint64_t nonce;   // random, keeps block file names of successive tables apart
    std::uint64_t lastBlockSerial;
    std::uint64_t lastTicket;
};

struct TableLayout {
    TableHeader header;
    Slot slots[kSlotCount];
    WaiterRecord waiters[kWaiterCount];
};

} // namespace platform::kobj
