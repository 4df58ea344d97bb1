#include "ipc/sharemem.h"

#include <cerrno>
#include <cstring>

#include "base/mlog.h"
#include "base/strtable.h"
#include "platform/kobjects.h"

namespace {

constexpr unsigned kStrSuccess = 120;
constexpr unsigned kStrUndefinedError = 141;

std::string LockName(const std::string& blockName) {
    return blockName + "lock";
}

bool Obtained(platform::WaitResult result) {
    return result.status == platform::WaitStatus::Signalled ||
           result.status == platform::WaitStatus::Abandoned;
}

} // namespace

std::string ShmErrorText(std::uint32_t code) {
    switch (code) {
    case kShmSuccess:
        return LoadStr(kStrSuccess);
    case kShmCreateFailed:
        return "Error of create shared memory file";
    case kShmOpenFailed:
        return "Error of open shared memory file";
    case kShmMapFailed:
        return "Error of file maping";
    case kShmNotFound:
        return "Error of open maping file. File no exists";
    case kShmNoView:
        return "Error of read/write maping file\nMemory not allocated!";
    case kShmWriteViolation:
        return "Access violation writing location\nmemory page is accessible only for reading";
    case kShmReadViolation:
        return "Access violation reading location\nmemory page is accessible only for reading";
    case kShmEventFailed:
        return "Error of crate or open event";
    default:
        return LoadStr(kStrUndefinedError);
    }
}

ShareMem::ShareMem() = default;

ShareMem::~ShareMem() {
    ShareMem::Close();
}

ShmErrorNum ShareMem::Create(const std::string& name, std::uint32_t size) {
    LogScope scope("ShareMem::Create", "\"%s\", size=%u", name.c_str(), size);
    // Only the block and its lock: a derived class keeps the objects it holds besides.
    ShareMem::Close();
    ShmErrorNum code = kShmSuccess;
    std::uint32_t systemError = 0;
    bool existed = false;
    block_ = platform::SharedMemory::Create(name, size, &existed);
    if (!block_) {
        code = kShmCreateFailed;
        systemError = static_cast<std::uint32_t>(errno);
    } else if (block_->Size() < size) {
        // A block of that name exists already and is too small for what the caller expects.
        code = kShmCreateFailed;
        systemError = EEXIST;
    } else if (block_->Data() == nullptr || !block_->Writable()) {
        code = kShmMapFailed;
    } else {
        lock_ = platform::NamedMutex::Create(LockName(name), false);
        if (!lock_) {
            code = kShmEventFailed;
            systemError = static_cast<std::uint32_t>(errno);
        }
    }
    if (code == kShmSuccess) {
        view_ = static_cast<std::uint8_t*>(block_->Data());
        size_ = size;
        writable_ = true;
    } else {
        LogError("%s. Error code: %u", ShmErrorText(code).c_str(), systemError);
        LogMethod("ShareMem::Create", "Params: hFile=%u, ptr=0x%p, hMutexLock=%u.",
                  block_ ? 1u : 0u, block_ ? block_->Data() : nullptr, lock_ ? 1u : 0u);
        ShareMem::Close();
    }
    scope.SetResult(ShmErrorText(code));
    return code;
}

ShmErrorNum ShareMem::Open(const std::string& name, std::uint32_t access) {
    LogScope scope("ShareMem::Open", "\"%s\", access=%u", name.c_str(), access);
    ShareMem::Close();
    ShmErrorNum code = kShmSuccess;
    std::uint32_t systemError = 0;
    bool writable = (access & kShmAccessWrite) != 0;
    block_ = platform::SharedMemory::Open(name, writable);
    if (!block_) {
        systemError = static_cast<std::uint32_t>(errno);
        code = systemError == ENOENT ? kShmNotFound : kShmOpenFailed;
    } else if (block_->Data() == nullptr) {
        code = kShmMapFailed;
    } else {
        lock_ = platform::NamedMutex::Open(LockName(name));
        if (!lock_) {
            code = kShmEventFailed;
            systemError = static_cast<std::uint32_t>(errno);
        }
    }
    if (code == kShmSuccess) {
        view_ = static_cast<std::uint8_t*>(block_->Data());
        // The opening side learns the size from the mapping, so its copies are bounded too.
        size_ = block_->Size();
        writable_ = writable && block_->Writable();
    } else {
        LogError("%s. Error code: %u", ShmErrorText(code).c_str(), systemError);
        ShareMem::Close();
    }
    scope.SetResult(ShmErrorText(code));
    return code;
}

void ShareMem::Close() {
    view_ = nullptr;
    size_ = 0;
    writable_ = false;
    block_.reset();
    lock_.reset();
}

bool ShareMem::Lock() {
    return Lock(0);
}

bool ShareMem::Lock(std::uint32_t timeoutMs) {
    if (!lock_)
        return false;
    return Obtained(platform::WaitForObject(*lock_, timeoutMs));
}

bool ShareMem::Unlock() {
    return lock_ && lock_->Release();
}

ShmErrorNum ShareMem::WriteAt(const void* source, std::size_t length, std::size_t offset) {
    if (view_ == nullptr)
        return kShmNoView;
    if (!writable_ || offset > size_ || length > size_ - offset) {
        LogError("%s", ShmErrorText(kShmWriteViolation).c_str());
        return kShmWriteViolation;
    }
    if (length > 0)
        std::memcpy(view_ + offset, source, length);
    return kShmSuccess;
}

ShmErrorNum ShareMem::ReadAt(void* destination, std::size_t length, std::size_t offset) {
    if (view_ == nullptr)
        return kShmNoView;
    if (offset > size_ || length > size_ - offset) {
        LogError("%s", ShmErrorText(kShmReadViolation).c_str());
        return kShmReadViolation;
    }
    if (length > 0)
        std::memcpy(destination, view_ + offset, length);
    return kShmSuccess;
}

std::span<std::uint8_t> ShareMem::View() const {
    if (view_ == nullptr)
        return {};
    return {view_, size_};
}
