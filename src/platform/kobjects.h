// Named kernel objects shared between the processes of one user: events, mutexes and shared
// memory blocks, found by name, created owner-only. An object lives while some process holds a
// handle to it (a handle of a process that ended no longer counts) and is gone after the last
// one is closed, so a name that nobody holds cannot be opened.
//
// Names: a leading "Global\" is dropped (objects are per user); at most kMaxObjectName
// characters remain. Objects of different kinds may share a name (an event and a mutex).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

namespace platform {

constexpr std::size_t kMaxObjectName = 259;
constexpr std::uint32_t kWaitInfinite = 0xFFFFFFFFu;

enum class WaitStatus {
    Signalled, // the object at index fired (an auto-reset event was reset, a mutex taken)
    Abandoned, // the mutex at index was taken; its owner thread ended without releasing it
    TimedOut,
    Failed, // bad arguments (no object, more than kMaxWaitObjects, a closed handle)
};

struct WaitResult {
    WaitStatus status = WaitStatus::Failed;
    int index = -1; // which object, for Signalled and Abandoned
};

constexpr std::size_t kMaxWaitObjects = 3;

// A handle to an object that can be waited on. Closing the handle (destroying it) releases
// the process's hold on the object.
class Waitable {
public:
    virtual ~Waitable() = default;
    const std::string& Name() const { return name_; }

protected:
    explicit Waitable(std::string name) : name_(std::move(name)) {}

private:
    friend struct KernelAccess;
    std::string name_;
};

// An event: manual-reset (stays signalled until Reset; wakes every waiter) or auto-reset
// (a Set wakes exactly one waiter and the event resets itself).
class NamedEvent : public Waitable {
public:
    ~NamedEvent() override;

    // Creates the event, or opens it when it exists (existed then tells so, and the
    // manualReset and initiallySet arguments are ignored). An empty name makes an event that
    // no other handle can open. Returns null and sets errno on failure.
    static std::unique_ptr<NamedEvent> Create(const std::string& name, bool manualReset,
                                              bool initiallySet, bool* existed = nullptr);
    // Opens an existing event; null with errno ENOENT when there is none.
    static std::unique_ptr<NamedEvent> Open(const std::string& name);

    bool Set();
    bool Reset();
    // Wakes the threads that wait right now (a manual-reset event: all of them; an
    // auto-reset event: one of them) and leaves the event reset. Nobody waiting: no effect.
    bool Pulse();

private:
    friend struct KernelAccess;
    explicit NamedEvent(std::string name);
    struct State;
    std::unique_ptr<State> state_;
};

// A mutex owned by one thread at a time; the owner may take it again (each take needs one
// Release). When the owner thread or its process ends without releasing it, the next thread
// that waits for it gets it with WaitStatus::Abandoned.
class NamedMutex : public Waitable {
public:
    ~NamedMutex() override;

    // Creates the mutex (owned by the calling thread when initiallyOwned), or opens it when it
    // exists (existed then tells so; it is not taken). Null and errno on failure.
    static std::unique_ptr<NamedMutex> Create(const std::string& name, bool initiallyOwned,
                                              bool* existed = nullptr);
    static std::unique_ptr<NamedMutex> Open(const std::string& name);

    // Releases one take; false when the calling thread does not own the mutex.
    bool Release();

private:
    friend struct KernelAccess;
    explicit NamedMutex(std::string name);
    struct State;
    std::unique_ptr<State> state_;
};

// Waits until one of the objects fires or the time runs out. When several could fire, the
// first in the list wins. A mutex the caller already owns fires at once (taken again).
WaitResult WaitForObjects(std::initializer_list<Waitable*> objects, std::uint32_t timeoutMs);
inline WaitResult WaitForObject(Waitable& object, std::uint32_t timeoutMs) {
    return WaitForObjects({&object}, timeoutMs);
}

// A block of memory shared by name. Its content is zero when created.
class SharedMemory {
public:
    ~SharedMemory();

    // Creates a block of size bytes (read and write), or opens it when it exists (existed
    // then tells so; size is then the existing block's). Null and errno on failure.
    static std::unique_ptr<SharedMemory> Create(const std::string& name, std::size_t size,
                                                bool* existed = nullptr);
    // Opens an existing block; null with errno ENOENT when there is none.
    static std::unique_ptr<SharedMemory> Open(const std::string& name, bool writable = true);

    void* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    bool Writable() const { return writable_; }
    const std::string& Name() const { return name_; }

private:
    SharedMemory() = default;
    struct State;
    std::unique_ptr<State> state_;
    std::string name_;
    void* data_ = nullptr;
    std::size_t size_ = 0;
    bool writable_ = true;
};

} // namespace platform
