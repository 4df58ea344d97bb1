// Support for channel tests with real kernel objects: a private object namespace, channel
// names of their own, a test server process and a test server thread.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

#include "ipc/ipc.h"
#include "platform/kobjects.h"
#include "recording_handlers.h"

namespace ipctest {

// Puts this process and the children it starts from now on into a namespace of their own,
// away from a voice server that may run for the user.
void UseTestNamespace();

// A channel base name for one test.
std::string TestBase(const std::string& testName);

// The answers the test server's handlers give.
std::vector<std::string> ServerErrors();
std::vector<bool> ServerPlaying();

// A request the test server's handlers never finish: the server signals base + "hanging"
// and waits to be killed.
constexpr std::int32_t kHangSlot = -99;

// The test server process ("IpcTestServer"): creates the channel of the base, dispatches
// requests without pause until told to stop, then writes the handler calls it saw to the
// record file, one per line.
class ServerProcess {
public:
    ServerProcess(std::string base, std::string recordPath);
    ~ServerProcess();

    // Starts it and waits until the channel is up. False when it did not come up.
    bool Start();
    // Stops it and returns its exit code (0 when all went well).
    int Stop();
    void Kill();
    pid_t Pid() const { return pid_; }
    std::vector<std::string> RecordedCalls() const;

private:
    std::string base_;
    std::string recordPath_;
    pid_t pid_ = -1;
    std::unique_ptr<platform::NamedEvent> ready_;
    std::unique_ptr<platform::NamedEvent> stop_;
};

// A server on a thread of the test process. Before each dispatch it keeps a copy of the
// request as it lies in the block (header, payload size, payload). answerHook, when set,
// replaces the dispatch.
class ServerThread {
public:
    struct Request {
        std::vector<std::uint8_t> header;
        std::uint32_t size = 0;
        std::vector<std::uint8_t> payload;
    };

    explicit ServerThread(std::string base, std::function<void(IPC&)> answerHook = nullptr);
    ~ServerThread();
    bool Started() const { return started_; }

    RecordingHandlers handlers;
    std::vector<Request> Requests();

private:
    std::string base_;
    std::function<void(IPC&)> answerHook_;
    std::unique_ptr<platform::NamedEvent> stop_;
    std::mutex mutex_;
    std::vector<Request> requests_;
    bool started_ = false;
    std::thread thread_;
};

std::vector<std::string> ReadLines(const std::string& path);

} // namespace ipctest
