// The running service program's link to whoever started it. Under the service manager (which
// sets NOTIFY_SOCKET) the states go out as notification datagrams: READY=1 when running,
// STOPPING=1 when stopping. Started without one, the program keeps its pid file with the
// current state and removes it when the link closes.
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/linux/service_manager_linux.h"
#include "platform/paths.h"

namespace platform {
namespace {

using namespace servicelinux;

// The address in NOTIFY_SOCKET: a path, or '@' and the name of an abstract socket.
bool ParseNotifyAddress(std::string_view text, sockaddr_un& address, socklen_t& length) {
    address = {};
    address.sun_family = AF_UNIX;
    const std::size_t offset = offsetof(sockaddr_un, sun_path);
    if (text.size() >= 2 && text[0] == '@') {
        std::string_view name = text.substr(1);
        if (name.size() > sizeof address.sun_path - 1)
            return false;
        std::memcpy(address.sun_path + 1, name.data(), name.size());
        length = static_cast<socklen_t>(offset + 1 + name.size());
        return true;
    }
    if (text.size() >= 2 && text[0] == '/' && text.size() < sizeof address.sun_path) {
        std::memcpy(address.sun_path, text.data(), text.size());
        length = static_cast<socklen_t>(offset + text.size() + 1);
        return true;
    }
    return false;
}

class NotifyLink : public ServiceStatusLink {
public:
    NotifyLink(int fd, const sockaddr_un& address, socklen_t length)
        : fd_(fd), address_(address), length_(length) {}
    ~NotifyLink() override { close(fd_); }

    bool Report(std::uint32_t state) override {
        std::string_view message;
        if (state == kServiceRunning)
            message = "READY=1";
        else if (state == kServiceStopPending)
            message = "STOPPING=1";
        else
            return true; // the manager learns of start and end from the process itself
        ssize_t sent;
        do {
            sent = sendto(fd_, message.data(), message.size(), MSG_NOSIGNAL,
                          reinterpret_cast<const sockaddr*>(&address_), length_);
        } while (sent < 0 && errno == EINTR);
        return sent == static_cast<ssize_t>(message.size());
    }

private:
    int fd_;
    sockaddr_un address_;
    socklen_t length_;
};

class PidFileLink : public ServiceStatusLink {
public:
    PidFileLink(std::string path, pid_t pid) : path_(std::move(path)), pid_(pid) {}
    ~PidFileLink() override { RemovePidFileOf(path_, pid_); }

    bool Report(std::uint32_t state) override {
        return WritePidFile(path_, PidFileContent{pid_, state}) == 0;
    }

private:
    std::string path_;
    pid_t pid_;
};

} // namespace

std::unique_ptr<ServiceStatusLink> ServiceStatusLink::Open(const std::string& name, int& error) {
    error = 0;
    if (!IsValidServiceName(name)) {
        error = EINVAL;
        return nullptr;
    }
    if (const char* notify = std::getenv("NOTIFY_SOCKET"); notify && *notify) {
        sockaddr_un address{};
        socklen_t length = 0;
        if (!ParseNotifyAddress(notify, address, length)) {
            error = EINVAL;
            return nullptr;
        }
        int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            error = errno;
            return nullptr;
        }
        return std::make_unique<NotifyLink>(fd, address, length);
    }

    std::string path = PidFilePath(name, error);
    if (path.empty())
        return nullptr;
    const pid_t self = getpid();
    PidFileContent existing;
    if (ReadPidFile(path, existing) && existing.pid != self && ProcessAlive(existing.pid) &&
        ProcessRunsProgram(existing.pid, ExecutablePath())) {
        error = EEXIST;
        return nullptr;
    }
    error = WritePidFile(path, PidFileContent{self, kServiceStartPending});
    if (error != 0)
        return nullptr;
    return std::make_unique<PidFileLink>(path, self);
}

} // namespace platform
