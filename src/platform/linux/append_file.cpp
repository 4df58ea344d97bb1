#include "platform/append_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

SharedAppendFile::~SharedAppendFile() {
    Close();
}

bool SharedAppendFile::Open(const std::string& path) {
    Close();
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    fd_ = fd;
    ownerPid_ = getpid();
    return true;
}

void SharedAppendFile::Close() {
    if (fd_ >= 0 && ownerPid_ == getpid())
        close(fd_);
    fd_ = -1;
}

bool SharedAppendFile::IsOpen() const {
    return fd_ >= 0 && ownerPid_ == getpid();
}

bool SharedAppendFile::Append(const char* data, std::size_t size) {
    if (!IsOpen())
        return false;
    while (flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR)
            return false;
    }
    bool ok = true;
    while (size > 0) {
        ssize_t n = write(fd_, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    flock(fd_, LOCK_UN);
    return ok;
}

} // namespace platform
