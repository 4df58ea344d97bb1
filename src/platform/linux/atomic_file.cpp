#include "platform/atomic_file.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Temporary files are named ".<target name>.tmp-<pid>-XXXXXX" beside the target. A write that
// is killed before its rename leaves one behind; later writes remove those whose process has
// ended, once they are old enough that no other process can still be writing them.
constexpr const char* kTempInfix = ".tmp-";
constexpr time_t kLeftoverAgeSeconds = 60;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }
    // Returns 0 or the errno of close().
    int Close() {
        int rc = 0;
        if (fd_ >= 0 && close(fd_) != 0)
            rc = errno;
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

int WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

// The file a write to path must replace: the target of a symbolic link, else path itself.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved))
        return path;
    return resolved;
}

bool ProcessIsGone(pid_t pid) {
    return pid > 0 && kill(pid, 0) != 0 && errno == ESRCH;
}

void RemoveLeftovers(const std::string& folder, const std::string& prefix) {
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    time_t now = time(nullptr);
    while (dirent* entry = readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name.substr(0, prefix.size()) != prefix)
            continue;
        std::string rest(name.substr(prefix.size()));
        char* end = nullptr;
        long pid = std::strtol(rest.c_str(), &end, 10);
        if (end == rest.c_str() || *end != '-' || pid <= 0 || pid > INT_MAX ||
            pid == static_cast<long>(getpid()) || !ProcessIsGone(static_cast<pid_t>(pid)))
            continue;
        std::string full = folder + "/" + std::string(name);
        struct stat st {};
        if (lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            now - st.st_mtime >= kLeftoverAgeSeconds)
            unlink(full.c_str());
    }
    closedir(dir);
}

} // namespace

int ReadWholeFile(const std::string& path, std::string& content, size_t maxBytes) {
    content.clear();
    // O_NONBLOCK: a FIFO put in place of the file must not hang the reader.
    Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0)
        return errno;
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    if (static_cast<unsigned long long>(st.st_size) > maxBytes)
        return EFBIG;
    std::string data;
    data.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd.Get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            break;
        if (data.size() + static_cast<size_t>(n) > maxBytes)
            return EFBIG;
        data.append(buf, static_cast<size_t>(n));
    }
    content = std::move(data);
    return 0;
}

int WriteWholeFileAtomic(const std::string& path, std::string_view content) {
    if (path.empty())
        return ENOENT;
    const std::string target = ResolveTarget(path);
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.empty())
        return EISDIR;

    mode_t mode = 0600;
    struct stat old {};
    if (stat(target.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode))
            return EISDIR;
        mode = old.st_mode & 07777;
    }

    const std::string prefix = "." + name + kTempInfix;
    std::string temp = folder + "/" + prefix + std::to_string(getpid()) + "-XXXXXX";
    Fd fd(mkostemp(temp.data(), O_CLOEXEC));
    if (fd.Get() < 0)
        return errno;

    int rc = 0;
    if (fchmod(fd.Get(), mode) != 0)
        rc = errno;
    if (rc == 0)
        rc = WriteAll(fd.Get(), content);
    if (rc == 0 && fsync(fd.Get()) != 0)
        rc = errno;
    int closeRc = fd.Close();
    if (rc == 0)
        rc = closeRc;
    if (rc == 0 && rename(temp.c_str(), target.c_str()) != 0)
        rc = errno;
    if (rc != 0) {
        unlink(temp.c_str());
        return rc;
    }

    // Make the rename itself durable. The new content is in place already, so a folder that
    // cannot be flushed (some file systems refuse) does not make the write a failure.
    Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0)
        fsync(dir.Get());

    RemoveLeftovers(folder, prefix);
    return 0;
}

int CreateUniqueFile(const std::string& folder, const std::string& prefix, std::string& path) {
    std::string name =
        folder + (folder.empty() || folder.back() == '/' ? "" : "/") + prefix + "XXXXXX";
    Fd fd(mkostemp(name.data(), O_CLOEXEC)); // mode 0600, created exclusively
    if (fd.Get() < 0)
        return errno;
    const int rc = fd.Close();
    if (rc != 0) {
        unlink(name.c_str());
        return rc;
    }
    path = name;
    return 0;
}

int RenameNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag: a hard link fails on an existing target just the same.
    if (link(from.c_str(), to.c_str()) != 0)
        return errno;
    unlink(from.c_str());
    return 0;
}

} // namespace platform
