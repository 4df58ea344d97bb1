#include "ipc_test_env.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <future>
#include <unistd.h>

#include "child_process.h"
#include "ipc/pnipc_srv.h"

namespace ipctest {

namespace {

constexpr std::uint32_t kStartTimeoutMs = 20000;
// A test server that hears nothing for this long ends by itself (its test is gone).
constexpr std::uint32_t kIdleExitMs = 60000;

// The test server's handlers: fixed answers, and one request that never finishes.
class ServerHandlers : public RecordingHandlers {
public:
    explicit ServerHandlers(std::string base) : base_(std::move(base)) {
        errors = ServerErrors();
        keepErrors = true;
        playing = ServerPlaying();
    }

protected:
    void Record(std::string call) override {
        if (call == "EmoticPlay(" + std::to_string(kHangSlot) + ")") {
            auto hanging = platform::NamedEvent::Create(base_ + "hanging", true, false);
            if (hanging)
                hanging->Set();
            for (;;)
                pause();
        }
        RecordingHandlers::Record(std::move(call));
    }

private:
    std::string base_;
};

} // namespace

void UseTestNamespace() {
    static const std::string name = "ipc-tests-" + std::to_string(getpid());
    setenv("VOXWARP_KOBJECT_NAMESPACE", name.c_str(), 1);
}

std::string TestBase(const std::string& testName) {
    return "Global\\PNS_ipc_" + testName;
}

std::vector<std::string> ServerErrors() {
    return {"Effect \"Robot\" did not load.", "",
            "\xC3\x9C"
            "ber-Datei.wav \xF0\x9F\x98\x80",
            "You can change parameters in options."};
}

std::vector<bool> ServerPlaying() {
    std::vector<bool> playing(kFunSlots);
    for (int i = 0; i < kFunSlots; ++i)
        playing[i] = i % 3 == 0 || i == 59;
    return playing;
}

ServerProcess::ServerProcess(std::string base, std::string recordPath)
    : base_(std::move(base)), recordPath_(std::move(recordPath)) {}

ServerProcess::~ServerProcess() {
    if (pid_ > 0)
        Kill();
}

bool ServerProcess::Start() {
    ready_ = platform::NamedEvent::Create(base_ + "ready", true, false);
    stop_ = platform::NamedEvent::Create(base_ + "teststop", false, false);
    if (!ready_ || !stop_)
        return false;
    ready_->Reset();
    stop_->Reset();
    pid_ = testsupport::SpawnChild("IpcTestServer", {base_, recordPath_});
    return platform::WaitForObject(*ready_, kStartTimeoutMs).status ==
           platform::WaitStatus::Signalled;
}

int ServerProcess::Stop() {
    if (pid_ <= 0)
        return -1;
    stop_->Set();
    int code = testsupport::WaitChild(pid_, 30000);
    pid_ = -1;
    return code;
}

void ServerProcess::Kill() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGKILL);
    testsupport::WaitChild(pid_, 30000);
    pid_ = -1;
}

std::vector<std::string> ServerProcess::RecordedCalls() const {
    return ReadLines(recordPath_);
}

ServerThread::ServerThread(std::string base, std::function<void(IPC&)> answerHook)
    : base_(std::move(base)), answerHook_(std::move(answerHook)) {
    stop_ = platform::NamedEvent::Create("", false, false);
    auto up = std::make_shared<std::promise<bool>>();
    std::future<bool> upFuture = up->get_future();
    thread_ = std::thread([this, up] {
        IPC channel(base_);
        bool ok = stop_ != nullptr && channel.Create(kIpcMaxPayload);
        up->set_value(ok);
        if (!ok)
            return;
        for (;;) {
            platform::WaitResult r =
                platform::WaitForObjects({stop_.get(), channel.RequestEvent()}, kIdleExitMs);
            if (r.status != platform::WaitStatus::Signalled || r.index == 0)
                break;
            Request request;
            request.header.resize(kIpcHeaderSize);
            channel.ReadAt(request.header.data(), kIpcHeaderSize, 0);
            channel.ReadAt(&request.size, 4, kIpcPayloadSizeOffset);
            request.payload.resize(std::min<std::uint32_t>(request.size, kIpcMaxPayload));
            channel.ReadAt(request.payload.data(), request.payload.size(), kIpcPayloadOffset);
            {
                std::lock_guard<std::mutex> guard(mutex_);
                requests_.push_back(std::move(request));
            }
            if (answerHook_)
                answerHook_(channel);
            else
                channel.Dispatch(ServerCommandTable(), handlers);
        }
        channel.Close();
    });
    started_ = upFuture.get();
}

ServerThread::~ServerThread() {
    if (stop_)
        stop_->Set();
    thread_.join();
}

std::vector<ServerThread::Request> ServerThread::Requests() {
    std::lock_guard<std::mutex> guard(mutex_);
    return requests_;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace ipctest

// args: base name, record file.
VOXWARP_TEST_CHILD(IpcTestServer) {
    if (args.size() < 2)
        return 2;
    const std::string& base = args[0];
    ipctest::ServerHandlers handlers(base);
    IPC channel(base);
    if (!channel.Create(kIpcMaxPayload))
        return 3;
    auto stop = platform::NamedEvent::Create(base + "teststop", false, false);
    auto ready = platform::NamedEvent::Create(base + "ready", true, false);
    if (!stop || !ready)
        return 4;
    ready->Set();
    for (;;) {
        platform::WaitResult r =
            platform::WaitForObjects({stop.get(), channel.RequestEvent()}, ipctest::kIdleExitMs);
        if (r.status != platform::WaitStatus::Signalled)
            return 5;
        if (r.index == 0)
            break;
        channel.Dispatch(ServerCommandTable(), handlers);
    }
    channel.Close();
    std::ofstream out(args[1], std::ios::trunc);
    for (const std::string& call : handlers.Calls())
        out << call << '\n';
    return out.good() ? 0 : 6;
}
