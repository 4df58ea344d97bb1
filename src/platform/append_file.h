// A file that whole lines are appended to by several threads and processes at once.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

class SharedAppendFile {
public:
    SharedAppendFile() = default;
    ~SharedAppendFile();
    SharedAppendFile(const SharedAppendFile&) = delete;
    SharedAppendFile& operator=(const SharedAppendFile&) = delete;

    // Opens (creating when missing) for appending. Closes a file opened before.
    bool Open(const std::string& path);
    void Close();
    // False also in a child process that inherited the file from its parent: the child must
    // open its own, or its appends would share the parent's lock.
    bool IsOpen() const;

    // Appends the bytes as one unit under an exclusive lock of the file that every process
    // appending through this class takes: no other append lands inside them. Waits for the
    // lock without time limit. False when the write fails.
    bool Append(const char* data, std::size_t size);

private:
    int fd_ = -1;
    int ownerPid_ = 0;
};

} // namespace platform
