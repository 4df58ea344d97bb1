#include "wrapup_files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
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
        const ssize_t n = write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool CurrentFolder(std::string& folder) {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        if (getcwd(buffer.data(), buffer.size())) {
            folder = buffer.data();
            if (folder.empty() || folder.back() != '/')
                folder += '/';
            return true;
        }
        if (errno != ERANGE || buffer.size() >= (1u << 20))
            return false;
        buffer.resize(buffer.size() * 2);
    }
}

int ReadTextFile(const std::string& path, std::string& content) {
    content.clear();
    // O_NONBLOCK: a FIFO in place of the file must not hang the program.
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
    std::string data;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd.Get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            break;
        if (data.size() + static_cast<size_t>(n) > kMaxTextFileBytes)
            return EFBIG;
        data.append(buffer, static_cast<size_t>(n));
    }
    content = std::move(data);
    return 0;
}

int WriteFileAtomic(const std::string& path, std::string_view content) {
    std::string target = path;
    struct stat link {};
    if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.empty())
        return EISDIR;

    mode_t mode = NewFileMode();
    struct stat old {};
    if (stat(target.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode))
            return EISDIR;
        mode = old.st_mode & 07777;
    }

    std::string temp = folder + "/." + name + ".wrapup-XXXXXX";
    Fd fd(mkostemp(temp.data(), O_CLOEXEC));
    if (fd.Get() < 0)
        return errno;
    int rc = fchmod(fd.Get(), mode) != 0 ? errno : 0;
    if (rc == 0)
        rc = WriteAll(fd.Get(), content);
    if (rc == 0 && fsync(fd.Get()) != 0)
        rc = errno;
    const int closeRc = fd.Close();
    if (rc == 0)
        rc = closeRc;
    if (rc == 0 && rename(temp.c_str(), target.c_str()) != 0)
        rc = errno;
    if (rc != 0) {
        unlink(temp.c_str());
        return rc;
    }
    // Make the rename durable; a folder that cannot be flushed does not undo the write.
    Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0)
        fsync(dir.Get());
    return 0;
}
