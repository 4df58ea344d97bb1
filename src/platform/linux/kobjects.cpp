// Named events, mutexes and shared memory blocks on top of the per-user object table.
#include "platform/kobjects.h"

#include "platform/linux/kobj_inspect.h"
#include "platform/linux/kobj_slots.h"
#include "platform/linux/kobj_wait.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

struct NamedEvent::State {
    kobj::ObjectRef ref;
};

struct NamedMutex::State {
    kobj::ObjectRef ref;
};

struct SharedMemory::State {
    kobj::ObjectRef ref;
    void* mapping = nullptr;
    std::size_t length = 0;
};

struct KernelAccess {
    static kobj::ObjectRef* Ref(Waitable& object, kobj::SlotKind& kind) {
        if (auto* event = dynamic_cast<NamedEvent*>(&object)) {
            kind = kobj::SlotKind::Event;
            return event->state_ ? &event->state_->ref : nullptr;
        }
        if (auto* mutex = dynamic_cast<NamedMutex*>(&object)) {
            kind = kobj::SlotKind::Mutex;
            return mutex->state_ ? &mutex->state_->ref : nullptr;
        }
        return nullptr;
    }

    // A new handle of kind T on the object the request names; null and errno on failure.
    template <typename T>
    static std::unique_ptr<T> Acquire(const kobj::AcquireRequest& request, const std::string& name,
                                      bool* existed) {
        std::unique_ptr<T> object(new T(name));
        object->state_ = std::make_unique<typename T::State>();
        bool found = false;
        if (int rc = kobj::AcquireObject(request, object->state_->ref, found); rc != 0) {
            errno = rc;
            return nullptr;
        }
        if (existed != nullptr)
            *existed = found;
        return object;
    }
};

namespace {

// Keeps errno across a destructor, so that a caller can close handles after a failure and
// still report the failure's cause.
class ErrnoKeeper {
public:
    ErrnoKeeper() : saved_(errno) {}
    ~ErrnoKeeper() { errno = saved_; }

private:
    int saved_;
};

// Fills the request's name: an empty name makes an object that only its handles reach; Open
// needs a name.
int PrepareRequest(kobj::AcquireRequest& request, kobj::SlotKind kind, const std::string& name,
                   bool create) {
    request.kind = kind;
    request.create = create;
    request.anonymous = name.empty();
    if (name.empty())
        return create ? 0 : EINVAL;
    return kobj::NormalizeObjectName(name, request.name);
}

// Runs op on the slot of a handle under the table lock; false with errno when the handle is
// closed or its object gone.
template <typename Op>
bool WithSlot(const kobj::ObjectRef& ref, kobj::SlotKind kind, Op op) {
    if (!ref.table) {
        errno = EBADF;
        return false;
    }
    kobj::TableLock lock(*ref.table);
    if (!lock.Locked()) {
        errno = lock.Error();
        return false;
    }
    kobj::Slot* slot = kobj::Resolve(ref, kind);
    if (slot == nullptr) {
        errno = EBADF;
        return false;
    }
    return op(*slot, lock);
}

template <typename T>
std::unique_ptr<T> Failure(int error) {
    errno = error;
    return nullptr;
}

int MapBlock(kobj::Table& table, const kobj::Slot& slot, bool writable, void*& mapping) {
    int fd = open(table.BlockPath(slot.blockSerial).c_str(),
                  (writable ? O_RDWR : O_RDONLY) | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat st {};
    int rc = 0;
    if (fstat(fd, &st) != 0)
        rc = errno;
    else if (static_cast<std::uint64_t>(st.st_size) < slot.blockSize)
        rc = EPROTO;
    if (rc == 0) {
        mapping = mmap(nullptr, slot.blockSize, PROT_READ | (writable ? PROT_WRITE : 0), MAP_SHARED,
                       fd, 0);
        if (mapping == MAP_FAILED) {
            mapping = nullptr;
            rc = errno;
        }
    }
    close(fd);
    return rc;
}

// Makes the backing file of a new block: a fresh name per block, so that a block that went
// away is never found again, even by a process that still knows its old name.
int CreateBlock(kobj::Table& table, kobj::Slot& slot, std::size_t size, void*& mapping) {
    constexpr int kAttempts = 8;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::uint64_t serial = ++table.Data().header.lastBlockSerial;
        std::string path = table.BlockPath(serial);
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        int rc = 0;
        if (fchmod(fd, 0600) != 0 || ftruncate(fd, static_cast<off_t>(size)) != 0)
            rc = errno;
        if (rc == 0) {
            mapping = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            if (mapping == MAP_FAILED) {
                mapping = nullptr;
                rc = errno;
            }
        }
        close(fd);
        if (rc != 0) {
            unlink(path.c_str());
            return rc;
        }
        slot.blockSize = size;
        slot.blockSerial = serial;
        return 0;
    }
    return EEXIST;
}

// A new handle on the existing object of a kind; null with errno ENOENT when there is none.
template <typename T>
std::unique_ptr<T> OpenExisting(kobj::SlotKind kind, const std::string& name) {
    kobj::AcquireRequest request;
    if (int rc = PrepareRequest(request, kind, name, false); rc != 0)
        return Failure<T>(rc);
    return KernelAccess::Acquire<T>(request, name, nullptr);
}

} // namespace

// --- NamedEvent ---

NamedEvent::NamedEvent(std::string name) : Waitable(std::move(name)) {}

NamedEvent::~NamedEvent() {
    ErrnoKeeper keep;
    if (state_)
        kobj::ReleaseObject(state_->ref);
}

std::unique_ptr<NamedEvent> NamedEvent::Create(const std::string& name, bool manualReset,
                                               bool initiallySet, bool* existed) {
    kobj::AcquireRequest request;
    int rc = PrepareRequest(request, kobj::SlotKind::Event, name, true);
    if (rc != 0)
        return Failure<NamedEvent>(rc);
    request.init = [&](kobj::Table&, kobj::Slot& slot) {
        slot.manualReset = manualReset ? 1 : 0;
        slot.signalled = initiallySet ? 1 : 0;
        return 0;
    };
    return KernelAccess::Acquire<NamedEvent>(request, name, existed);
}

std::unique_ptr<NamedEvent> NamedEvent::Open(const std::string& name) {
    return OpenExisting<NamedEvent>(kobj::SlotKind::Event, name);
}

bool NamedEvent::Set() {
    return state_ && WithSlot(state_->ref, kobj::SlotKind::Event,
                              [](kobj::Slot& slot, kobj::TableLock& lock) {
                                  slot.signalled = 1;
                                  lock.Changed();
                                  return true;
                              });
}

bool NamedEvent::Reset() {
    return state_ &&
           WithSlot(state_->ref, kobj::SlotKind::Event, [](kobj::Slot& slot, kobj::TableLock&) {
               slot.signalled = 0;
               return true;
           });
}

bool NamedEvent::Pulse() {
    if (!state_)
        return false;
    const kobj::ObjectRef& ref = state_->ref;
    return WithSlot(ref, kobj::SlotKind::Event, [&](kobj::Slot& slot, kobj::TableLock& lock) {
        if (kobj::PulseWaiters(*ref.table, ref.slot, slot.manualReset != 0) > 0)
            lock.Changed();
        slot.signalled = 0;
        return true;
    });
}

// --- NamedMutex ---

NamedMutex::NamedMutex(std::string name) : Waitable(std::move(name)) {}

NamedMutex::~NamedMutex() {
    ErrnoKeeper keep;
    if (state_)
        kobj::ReleaseObject(state_->ref);
}

std::unique_ptr<NamedMutex> NamedMutex::Create(const std::string& name, bool initiallyOwned,
                                               bool* existed) {
    kobj::AcquireRequest request;
    int rc = PrepareRequest(request, kobj::SlotKind::Mutex, name, true);
    if (rc != 0)
        return Failure<NamedMutex>(rc);
    request.init = [&](kobj::Table&, kobj::Slot& slot) {
        if (initiallyOwned && kobj::TakeMutex(slot) != kobj::TakeResult::Taken)
            return EAGAIN;
        return 0;
    };
    return KernelAccess::Acquire<NamedMutex>(request, name, existed);
}

std::unique_ptr<NamedMutex> NamedMutex::Open(const std::string& name) {
    return OpenExisting<NamedMutex>(kobj::SlotKind::Mutex, name);
}

bool NamedMutex::Release() {
    return state_ && WithSlot(state_->ref, kobj::SlotKind::Mutex,
                              [](kobj::Slot& slot, kobj::TableLock& lock) {
                                  if (!kobj::ReleaseMutex(slot)) {
                                      errno = EPERM;
                                      return false;
                                  }
                                  if (slot.recursion == 0)
                                      lock.Changed();
                                  return true;
                              });
}

// --- Waiting ---

WaitResult WaitForObjects(std::initializer_list<Waitable*> objects, std::uint32_t timeoutMs) {
    if (objects.size() == 0 || objects.size() > kMaxWaitObjects) {
        errno = EINVAL;
        return {};
    }
    kobj::WaitTarget targets[kMaxWaitObjects];
    std::size_t count = 0;
    std::shared_ptr<kobj::Table> table;
    for (Waitable* object : objects) {
        kobj::SlotKind kind = kobj::SlotKind::Free;
        kobj::ObjectRef* ref = object != nullptr ? KernelAccess::Ref(*object, kind) : nullptr;
        if (ref == nullptr || !ref->table || (table && table != ref->table)) {
            errno = EINVAL;
            return {};
        }
        table = ref->table;
        targets[count++] = {ref->slot, ref->generation, kind};
    }
    return kobj::WaitForSlots(*table, targets, count, timeoutMs);
}

int kobj::WaitingThreads(Waitable& object) {
    kobj::SlotKind kind = kobj::SlotKind::Free;
    kobj::ObjectRef* ref = KernelAccess::Ref(object, kind);
    if (ref == nullptr || !ref->table)
        return -1;
    kobj::TableLock lock(*ref->table);
    if (!lock.Locked())
        return -1;
    int count = 0;
    for (const kobj::WaiterRecord& waiter : ref->table->Data().waiters) {
        bool waits = false;
        for (std::uint32_t k = 0; waiter.ticket != 0 && k < waiter.count; ++k)
            waits = waits || waiter.slots[k] == ref->slot;
        if (waits && kobj::ProcessAlive(waiter.process))
            ++count;
    }
    return count;
}

// --- SharedMemory ---

SharedMemory::~SharedMemory() {
    ErrnoKeeper keep;
    if (!state_)
        return;
    if (state_->mapping != nullptr)
        munmap(state_->mapping, state_->length);
    kobj::ReleaseObject(state_->ref);
}

std::unique_ptr<SharedMemory> SharedMemory::Create(const std::string& name, std::size_t size,
                                                   bool* existed) {
    if (size == 0 || size > static_cast<std::size_t>(PTRDIFF_MAX))
        return Failure<SharedMemory>(EINVAL);
    kobj::AcquireRequest request;
    int rc = PrepareRequest(request, kobj::SlotKind::Memory, name, true);
    if (rc != 0)
        return Failure<SharedMemory>(rc);
    std::unique_ptr<SharedMemory> block(new SharedMemory());
    block->state_ = std::make_unique<State>();
    State& state = *block->state_;
    request.init = [&](kobj::Table& table, kobj::Slot& slot) {
        state.length = size;
        return CreateBlock(table, slot, size, state.mapping);
    };
    request.onFound = [&](kobj::Table& table, kobj::Slot& slot) {
        state.length = slot.blockSize;
        return MapBlock(table, slot, true, state.mapping);
    };
    bool found = false;
    rc = kobj::AcquireObject(request, state.ref, found);
    if (rc != 0)
        return Failure<SharedMemory>(rc);
    block->name_ = name;
    block->data_ = state.mapping;
    block->size_ = state.length;
    block->writable_ = true;
    if (existed != nullptr)
        *existed = found;
    return block;
}

std::unique_ptr<SharedMemory> SharedMemory::Open(const std::string& name, bool writable) {
    kobj::AcquireRequest request;
    int rc = PrepareRequest(request, kobj::SlotKind::Memory, name, false);
    if (rc != 0)
        return Failure<SharedMemory>(rc);
    std::unique_ptr<SharedMemory> block(new SharedMemory());
    block->state_ = std::make_unique<State>();
    State& state = *block->state_;
    request.onFound = [&](kobj::Table& table, kobj::Slot& slot) {
        state.length = slot.blockSize;
        return MapBlock(table, slot, writable, state.mapping);
    };
    bool found = false;
    rc = kobj::AcquireObject(request, state.ref, found);
    if (rc != 0)
        return Failure<SharedMemory>(rc);
    block->name_ = name;
    block->data_ = state.mapping;
    block->size_ = state.length;
    block->writable_ = writable;
    return block;
}

} // namespace platform
