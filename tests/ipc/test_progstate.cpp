// The server-state observer against real server processes: start in either order, a killed
// server, a restarted server, and a callback that hangs.
#include "ipc/progstate.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "base/mlog.h"
#include "child_process.h"
#include "platform/kobjects.h"
#include "temp_dir.h"

namespace {

using namespace std::chrono_literals;

constexpr auto kPatience = 20s; // generous: only a broken observer takes this long

// Keeps the test's objects away from a voice server that really runs.
void UseTestNamespace() {
    setenv("VOXWARP_KOBJECT_NAMESPACE", ("voxwarp-tests-" + std::to_string(getpid())).c_str(), 0);
}

std::string UniqueBase() {
    static int counter = 0;
    return "Global\\PS_test_" + std::to_string(getpid()) + "_" + std::to_string(++counter) + "_";
}

bool WaitForFile(const std::string& path) {
    auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// A voice server's share: ProgrammStart, then "ready-TAG" in the folder holds "owned" or
// "not-owned"; ProgrammStop once "stop-TAG" appears. Args: base, folder, tag.
VOXWARP_TEST_CHILD(ProgStateServer) {
    const std::string& folder = args.at(1);
    const std::string& tag = args.at(2);
    LogInit((folder + "server.log").c_str(), false, false, false, false, true);
    ProgrammState state(args.at(0));
    if (!state.ProgrammStart())
        return 2;
    testsupport::WriteFile(folder + "ready.tmp-" + tag,
                           state.HoldsWorkMutex() ? "owned" : "not-owned");
    std::filesystem::rename(folder + "ready.tmp-" + tag, folder + "ready-" + tag);
    if (!WaitForFile(folder + "stop-" + tag))
        return 3;
    state.ProgrammStop();
    return 0;
}

// Records the calls in order; tests wait for a number of them.
class Recorder : public ServStateCallback {
public:
    void ServOnStart() override { Add("start"); }
    void ServOnStop() override { Add("stop"); }

    bool WaitForCount(std::size_t count) {
        std::unique_lock<std::mutex> lock(lock_);
        return changed_.wait_for(lock, kPatience, [&] { return calls_.size() >= count; });
    }
    std::vector<std::string> Calls() {
        std::lock_guard<std::mutex> lock(lock_);
        return calls_;
    }

protected:
    void Add(const char* call) {
        std::lock_guard<std::mutex> lock(lock_);
        calls_.push_back(call);
        changed_.notify_all();
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::string> calls_;
};

using Calls = std::vector<std::string>;

class ProgStateTest : public testing::Test {
protected:
    void SetUp() override { UseTestNamespace(); }
    void TearDown() override {
        for (pid_t pid : servers_) {
            kill(pid, SIGKILL);
            testsupport::WaitChild(pid, 10000);
        }
    }

    // Starts a server process and waits until its ProgrammStart is done; returns what it
    // wrote ("owned" or "not-owned").
    std::string StartServer(const std::string& tag) {
        pid_t pid = testsupport::SpawnChild("ProgStateServer", {base_, dir_.Path(), tag});
        servers_.push_back(pid);
        pids_[tag] = pid;
        if (!WaitForFile(dir_.File("ready-" + tag)))
            return "no answer";
        return testsupport::ReadFile(dir_.File("ready-" + tag));
    }
    // Lets the server call ProgrammStop and end; returns its exit code.
    int StopServer(const std::string& tag) {
        testsupport::WriteFile(dir_.File("stop-" + tag), "");
        return testsupport::WaitChild(pids_.at(tag), 20000);
    }
    int KillServer(const std::string& tag) {
        kill(pids_.at(tag), SIGKILL);
        return testsupport::WaitChild(pids_.at(tag), 20000);
    }
    std::string ServerLog() { return testsupport::ReadFile(dir_.File("server.log")); }

    std::string base_ = UniqueBase();
    testsupport::TempDir dir_;
    std::vector<pid_t> servers_;
    std::map<std::string, pid_t> pids_;
};

TEST_F(ProgStateTest, ControlPanelFirstSeesTheServerStartAndStop) {
    Recorder recorder;
    ProgrammState observer(base_);
    ASSERT_TRUE(observer.ObserverStart(&recorder));
    // The observer thread creates the run event before it looks for the server; wait for it
    // so that the server finds it.
    auto deadline = std::chrono::steady_clock::now() + kPatience;
    std::unique_ptr<platform::NamedEvent> runEvent;
    while (!(runEvent = platform::NamedEvent::Open(observer.RunEventName())) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    ASSERT_TRUE(runEvent);

    EXPECT_EQ(StartServer("a"), "owned");
    ASSERT_TRUE(recorder.WaitForCount(1));
    EXPECT_EQ(recorder.Calls(), Calls({"start"}));
    EXPECT_NE(ServerLog().find("OpenEvent: hServRunEvent=1"), std::string::npos);

    EXPECT_EQ(StopServer("a"), 0);
    ASSERT_TRUE(recorder.WaitForCount(2));
    observer.ObserverStop();
    EXPECT_EQ(recorder.Calls(), Calls({"start", "stop"}));
}

TEST_F(ProgStateTest, ServerFirstIsReportedAtObserverStart) {
    EXPECT_EQ(StartServer("a"), "owned");
    EXPECT_NE(ServerLog().find("OpenEvent error: 2"), std::string::npos) << ServerLog();

    Recorder recorder;
    ProgrammState observer(base_);
    ASSERT_TRUE(observer.ObserverStart(&recorder));
    ASSERT_TRUE(recorder.WaitForCount(1));
    EXPECT_EQ(recorder.Calls(), Calls({"start"}));

    EXPECT_EQ(StopServer("a"), 0);
    ASSERT_TRUE(recorder.WaitForCount(2));
    observer.ObserverStop();
    EXPECT_EQ(recorder.Calls(), Calls({"start", "stop"}));
}

TEST_F(ProgStateTest, KilledServerIsReportedAsStopped) {
    Recorder recorder;
    ProgrammState observer(base_);
    ASSERT_TRUE(observer.ObserverStart(&recorder));
    EXPECT_EQ(StartServer("a"), "owned");
    ASSERT_TRUE(recorder.WaitForCount(1));

    EXPECT_EQ(KillServer("a"), 128 + SIGKILL);
    ASSERT_TRUE(recorder.WaitForCount(2));
    observer.ObserverStop();
    EXPECT_EQ(recorder.Calls(), Calls({"start", "stop"}));
}

TEST_F(ProgStateTest, RestartedServerOwnsTheWorkMutexAgain) {
    // An extra handle keeps the mutex alive between the two servers, so the second one finds
    // it existing and must be able to take it over from the observer. A mutex that nobody
    // owns does not count as a running server.
    ProgrammState observer(base_);
    auto keepAlive = platform::NamedMutex::Create(observer.WorkMutexName(), false);
    ASSERT_TRUE(keepAlive);
    Recorder recorder;
    ASSERT_TRUE(observer.ObserverStart(&recorder));

    EXPECT_EQ(StartServer("first"), "owned");
    ASSERT_TRUE(recorder.WaitForCount(1));
    EXPECT_EQ(StopServer("first"), 0);
    ASSERT_TRUE(recorder.WaitForCount(2));

    EXPECT_EQ(StartServer("second"), "owned");
    ASSERT_TRUE(recorder.WaitForCount(3));
    EXPECT_EQ(platform::WaitForObject(*keepAlive, 0).status, platform::WaitStatus::TimedOut);

    EXPECT_EQ(KillServer("second"), 128 + SIGKILL);
    ASSERT_TRUE(recorder.WaitForCount(4));
    observer.ObserverStop();
    EXPECT_EQ(recorder.Calls(), Calls({"start", "stop", "start", "stop"}));
}

// A ServOnStart that does not return until released.
class HangingRecorder : public Recorder {
public:
    void ServOnStart() override {
        Add("start");
        std::unique_lock<std::mutex> lock(hangLock_);
        released_.wait(lock, [&] { return release_; });
        returned_ = true;
        released_.notify_all();
    }
    void Release() {
        std::unique_lock<std::mutex> lock(hangLock_);
        release_ = true;
        released_.notify_all();
        released_.wait_for(lock, kPatience, [&] { return returned_; });
    }

private:
    std::mutex hangLock_;
    std::condition_variable released_;
    bool release_ = false;
    bool returned_ = false;
};

TEST_F(ProgStateTest, ObserverStopDoesNotWaitForAHangingCallback) {
    EXPECT_EQ(StartServer("a"), "owned");
    // Outlives the test body: the abandoned observer thread may still be in its callback.
    static HangingRecorder hanging;
    Recorder next;
    {
        ProgrammState observer(base_);
        ASSERT_TRUE(observer.ObserverStart(&hanging));
        ASSERT_TRUE(hanging.WaitForCount(1));

        auto before = std::chrono::steady_clock::now();
        observer.ObserverStop();
        EXPECT_LT(std::chrono::steady_clock::now() - before, 6s);

        // The same object observes again; the stop meant for the stuck thread does not end
        // the new one.
        ASSERT_TRUE(observer.ObserverStart(&next));
        ASSERT_TRUE(next.WaitForCount(1));
        hanging.Release();

        EXPECT_EQ(KillServer("a"), 128 + SIGKILL);
        ASSERT_TRUE(next.WaitForCount(2));
    }
    EXPECT_EQ(next.Calls(), Calls({"start", "stop"}));
    // The stuck thread ended without reporting the stop.
    EXPECT_EQ(hanging.Calls(), Calls({"start"}));
}

} // namespace
