// A named shared memory block with its lock mutex (named after the block with "lock"
// appended). The server creates blocks, the control panel opens them. The kernel objects are
// created for the owner only, so no other account can open them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace platform {
class NamedMutex;
class SharedMemory;
} // namespace platform

enum ShmErrorNum : std::uint32_t {
    kShmSuccess = 0,
    kShmCreateFailed = 1,
    kShmOpenFailed = 2,
    kShmMapFailed = 3,
    kShmNotFound = 4,
    kShmNoView = 5,
    kShmWriteViolation = 6,
    kShmReadViolation = 7,
    kShmEventFailed = 8,
};

// The message of an error code (codes 0 and unknown ones through the string table).
std::string ShmErrorText(std::uint32_t code);

// Access when opening a block: read and write, or read only.
constexpr std::uint32_t kShmAccessWrite = 2;
constexpr std::uint32_t kShmAccessRead = 4;

// How long a client waits for the channel lock.
constexpr std::uint32_t kChannelLockMs = 2000;

class ShareMem {
public:
    ShareMem();
    virtual ~ShareMem();
    ShareMem(const ShareMem&) = delete;
    ShareMem& operator=(const ShareMem&) = delete;

    // Creates the block (or opens the one of that name when it exists and is large enough)
    // and its lock, readable and writable. Closes what the object held before.
    ShmErrorNum Create(const std::string& name, std::uint32_t size);
    // Opens an existing block and its lock; access is kShmAccessWrite or kShmAccessRead.
    ShmErrorNum Open(const std::string& name, std::uint32_t access);
    // Unmaps the block and closes block and lock. Safe to call twice.
    virtual void Close();

    // Takes the lock if it is free right now. A lock whose owner ended without releasing it
    // is taken too.
    bool Lock();
    // Waits at most timeoutMs for the lock (kChannelLockMs for the channel). A lock whose
    // owner ended without releasing it counts as obtained.
    bool Lock(std::uint32_t timeoutMs);
    bool Unlock();

    // Copy between caller memory and the block. kShmNoView without a block; a copy that does
    // not lie inside the block, or a write to a block opened for reading, is refused with
    // kShmWriteViolation or kShmReadViolation.
    ShmErrorNum WriteAt(const void* source, std::size_t length, std::size_t offset);
    ShmErrorNum ReadAt(void* destination, std::size_t length, std::size_t offset);

    bool IsOpen() const { return view_ != nullptr; }
    // Size of the mapped block in bytes (0 when closed).
    std::size_t Size() const { return size_; }

protected:
    // The whole mapped block; empty when closed.
    std::span<std::uint8_t> View() const;
    bool HasBlock() const { return block_ != nullptr; }
    bool HasLock() const { return lock_ != nullptr; }

private:
    std::unique_ptr<platform::SharedMemory> block_;
    std::unique_ptr<platform::NamedMutex> lock_;
    std::size_t size_ = 0;
    std::uint8_t* view_ = nullptr;
    bool writable_ = false;
};
