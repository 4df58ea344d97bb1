// Named events, mutexes and shared memory across real processes.
#include "platform/kobjects.h"
#include "platform/linux/kobj_inspect.h"
#include "platform/linux/kobj_names.h"
#include "platform/linux/kobj_slots.h"
#include "platform/linux/kobj_wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "child_process.h"

using platform::NamedEvent;
using platform::NamedMutex;
using platform::SharedMemory;
using platform::WaitForObject;
using platform::WaitForObjects;
using platform::WaitResult;
using platform::WaitStatus;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kNamespaceVariable = "VOXWARP_KOBJECT_NAMESPACE";
constexpr std::uint32_t kChildWaitMs = 30000;
// A waiter learns that a mutex owner ended within milliseconds (woken by the kernel, or
// polling every 20 ms); far more than that, but below the one-second recheck that ends every
// sleep, still counts as prompt.
constexpr auto kPromptly = std::chrono::milliseconds(500);

// Child exit codes.
constexpr int kWokenByObject = 10;
constexpr int kWokenByStop = 20;
constexpr int kAbandonedBase = 30;
constexpr int kTimedOut = 40;
constexpr int kSetupFailed = 50;

// This test program and its children (which inherit the variable) never touch the objects of
// a voice server that runs on this machine.
const bool kIsolated = [] {
    std::string ns = "ipc-tests-" + std::to_string(getpid());
    return setenv(kNamespaceVariable, ns.c_str(), 0) == 0;
}();

std::string UniqueName(const std::string& base) {
    static int counter = 0;
    return "Global\\ko-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + "-" + base;
}

// A namespace of its own for a test that looks at all backing files of its namespace.
class ScopedNamespace {
public:
    ScopedNamespace() {
        const char* saved = std::getenv(kNamespaceVariable);
        saved_ = saved != nullptr ? saved : "";
        static int counter = 0;
        std::string ns = "ko-scope-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
        setenv(kNamespaceVariable, ns.c_str(), 1);
    }
    ~ScopedNamespace() { setenv(kNamespaceVariable, saved_.c_str(), 1); }

private:
    std::string saved_;
};

// The backing files of the current namespace.
std::vector<std::string> BackingFiles() {
    std::string prefix = platform::kobj::BackingPrefix() + ".";
    std::vector<std::string> files;
    DIR* dir = opendir(platform::kobj::BackingFolder());
    if (dir == nullptr)
        return files;
    while (dirent* entry = readdir(dir)) {
        if (std::string(entry->d_name).rfind(prefix, 0) == 0)
            files.push_back(platform::kobj::BackingFolder() + std::string(entry->d_name));
    }
    closedir(dir);
    return files;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 20000) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Children of one test; those still running when the test ends are killed.
class Children {
public:
    ~Children() {
        for (pid_t pid : running_) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    pid_t Spawn(const std::string& name, const std::vector<std::string>& args) {
        pid_t pid = testsupport::SpawnChild(name, args);
        running_.push_back(pid);
        return pid;
    }
    int Finish(pid_t pid) {
        running_.erase(std::remove(running_.begin(), running_.end(), pid), running_.end());
        return testsupport::WaitChild(pid, 60000);
    }
    std::vector<int> FinishAll() {
        std::vector<int> codes;
        for (pid_t pid : std::vector<pid_t>(running_))
            codes.push_back(Finish(pid));
        std::sort(codes.begin(), codes.end());
        return codes;
    }
    // Kills the child and waits until it has ended, without collecting it: a dead process that
    // its parent has not yet collected still has its id.
    bool KillAndWaitDead(pid_t pid) {
        kill(pid, SIGKILL);
        return WaitUntil([pid] {
            siginfo_t info{};
            return waitid(P_PID, pid, &info, WEXITED | WNOWAIT | WNOHANG) == 0 &&
                   info.si_pid == pid;
        });
    }

private:
    std::vector<pid_t> running_;
};

// Counters shared with the children.
struct Board {
    std::atomic<int> woken;
    std::atomic<int> ready;
};

Board& BoardOf(SharedMemory& block) {
    return *static_cast<Board*>(block.Data());
}

int CodeOf(WaitResult r) {
    if (r.status == WaitStatus::Signalled)
        return kWokenByObject + r.index;
    if (r.status == WaitStatus::Abandoned)
        return kAbandonedBase + r.index;
    return r.status == WaitStatus::TimedOut ? kTimedOut : kSetupFailed;
}

[[noreturn]] void SleepForever() {
    for (;;)
        pause();
}

} // namespace

// args: event, stop event, board. Waits for {event, stop}; counts its wake-up on the board.
VOXWARP_TEST_CHILD(KoEventWaiter) {
    auto event = NamedEvent::Open(args.at(0));
    auto stop = NamedEvent::Open(args.at(1));
    auto board = SharedMemory::Open(args.at(2));
    if (!event || !stop || !board)
        return kSetupFailed;
    WaitResult r = WaitForObjects({event.get(), stop.get()}, kChildWaitMs);
    if (r.status == WaitStatus::Signalled && r.index == 0)
        ++BoardOf(*board).woken;
    return r.status == WaitStatus::Signalled ? (r.index == 0 ? kWokenByObject : kWokenByStop)
                                             : CodeOf(r);
}

// args: three names (event, event, mutex). Waits for the three; exits with what fired (and
// so ends owning the mutex when that fired).
VOXWARP_TEST_CHILD(KoThreeWaiter) {
    auto first = NamedEvent::Open(args.at(0));
    auto second = NamedEvent::Open(args.at(1));
    auto mutex = NamedMutex::Open(args.at(2));
    if (!first || !second || !mutex)
        return kSetupFailed;
    return CodeOf(WaitForObjects({first.get(), second.get(), mutex.get()}, kChildWaitMs));
}

// args: mutex, ready event. Takes the mutex, tells so and sleeps until killed.
VOXWARP_TEST_CHILD(KoMutexOwner) {
    auto mutex = NamedMutex::Create(args.at(0), true);
    auto ready = NamedEvent::Open(args.at(1));
    if (!mutex || !ready || !ready->Set())
        return kSetupFailed;
    SleepForever();
}

// args: event, mutex, block, ready event. Holds the three objects (the block filled with 0xAB)
// until killed.
VOXWARP_TEST_CHILD(KoHolder) {
    auto event = NamedEvent::Create(args.at(0), true, true);
    auto mutex = NamedMutex::Create(args.at(1), false);
    auto block = SharedMemory::Create(args.at(2), 4096);
    auto ready = NamedEvent::Open(args.at(3));
    if (!event || !mutex || !block || !ready)
        return kSetupFailed;
    std::memset(block->Data(), 0xAB, block->Size());
    ready->Set();
    SleepForever();
}

// args: board. Takes the object table's own lock and sleeps with it until killed.
VOXWARP_TEST_CHILD(KoTableLockHolder) {
    auto board = SharedMemory::Open(args.at(0));
    std::shared_ptr<platform::kobj::Table> table = platform::kobj::AttachTable();
    if (!board || !table)
        return kSetupFailed;
    platform::kobj::TableLock lock(*table);
    BoardOf(*board).ready = 1;
    SleepForever();
}

// --- Names, handles and lifetime within one process ---

TEST(KObjects, NamesDropTheGlobalPrefixAndAreLimited) {
    ASSERT_TRUE(kIsolated);
    std::string bare = UniqueName("name").substr(7);
    auto event = NamedEvent::Create("Global\\" + bare, false, false);
    ASSERT_TRUE(event);
    EXPECT_TRUE(NamedEvent::Open(bare));
    EXPECT_TRUE(NamedEvent::Open("Global\\" + bare));

    std::string longest(platform::kMaxObjectName, 'n');
    EXPECT_TRUE(NamedMutex::Create(longest, false));
    std::string wide;
    for (std::size_t i = 0; i < platform::kMaxObjectName; ++i)
        wide += "\xE2\x82\xAC"; // three bytes, one character
    EXPECT_TRUE(NamedMutex::Create(wide, false));
    errno = 0;
    EXPECT_FALSE(NamedMutex::Create(longest + "n", false));
    EXPECT_EQ(errno, ENAMETOOLONG);
    errno = 0;
    EXPECT_FALSE(NamedEvent::Create(std::string("a\0b", 3), false, false));
    EXPECT_EQ(errno, EINVAL);
    errno = 0;
    EXPECT_FALSE(NamedEvent::Open(""));
    EXPECT_EQ(errno, EINVAL);
}

TEST(KObjects, ObjectsLiveWhileHeldAndKindsHaveTheirOwnNames) {
    std::string name = UniqueName("held");
    bool existed = true;
    auto first = NamedEvent::Create(name, false, false, &existed);
    ASSERT_TRUE(first);
    EXPECT_FALSE(existed);
    auto second = NamedEvent::Create(name, true, true, &existed);
    ASSERT_TRUE(second);
    EXPECT_TRUE(existed);
    // The same auto-reset event: the second Create's arguments were ignored.
    EXPECT_EQ(WaitForObject(*second, 0).status, WaitStatus::TimedOut);
    ASSERT_TRUE(first->Set());
    EXPECT_EQ(WaitForObject(*second, 0).status, WaitStatus::Signalled);
    EXPECT_EQ(WaitForObject(*first, 0).status, WaitStatus::TimedOut);

    // A mutex and a block may have the event's name; they are other objects.
    auto mutex = NamedMutex::Create(name, false, &existed);
    ASSERT_TRUE(mutex);
    EXPECT_FALSE(existed);
    errno = 0;
    EXPECT_FALSE(SharedMemory::Open(name));
    EXPECT_EQ(errno, ENOENT);

    first.reset();
    EXPECT_TRUE(NamedEvent::Open(name));
    second.reset();
    errno = 0;
    EXPECT_FALSE(NamedEvent::Open(name));
    EXPECT_EQ(errno, ENOENT);

    // Unnamed objects are each their own.
    auto a = NamedEvent::Create("", true, false);
    auto b = NamedEvent::Create("", true, false);
    ASSERT_TRUE(a && b);
    a->Set();
    EXPECT_EQ(WaitForObject(*b, 0).status, WaitStatus::TimedOut);
    EXPECT_EQ(WaitForObject(*a, 0).status, WaitStatus::Signalled);
}

TEST(KObjects, EventsResetAsTheirKindSaysAndTimeOut) {
    auto manual = NamedEvent::Create(UniqueName("manual"), true, true);
    auto automatic = NamedEvent::Create(UniqueName("auto"), false, false);
    ASSERT_TRUE(manual && automatic);
    EXPECT_EQ(WaitForObject(*manual, 0).status, WaitStatus::Signalled);
    EXPECT_EQ(WaitForObject(*manual, 10).status, WaitStatus::Signalled);
    ASSERT_TRUE(manual->Reset());
    EXPECT_EQ(WaitForObject(*manual, 30).status, WaitStatus::TimedOut);

    ASSERT_TRUE(automatic->Set());
    ASSERT_TRUE(automatic->Set());
    EXPECT_EQ(WaitForObject(*automatic, 0).status, WaitStatus::Signalled);
    EXPECT_EQ(WaitForObject(*automatic, 30).status, WaitStatus::TimedOut);

    // A pulse without waiters leaves nothing behind, and leaves even a set event reset.
    ASSERT_TRUE(automatic->Pulse());
    EXPECT_EQ(WaitForObject(*automatic, 0).status, WaitStatus::TimedOut);
    manual->Set();
    ASSERT_TRUE(manual->Pulse());
    EXPECT_EQ(WaitForObject(*manual, 0).status, WaitStatus::TimedOut);
}

TEST(KObjects, BadWaitsFail) {
    auto event = NamedEvent::Create(UniqueName("bad"), false, false);
    ASSERT_TRUE(event);
    EXPECT_EQ(WaitForObjects({}, 0).status, WaitStatus::Failed);
    EXPECT_EQ(WaitForObjects({event.get(), nullptr}, 0).status, WaitStatus::Failed);
    EXPECT_EQ(WaitForObjects({event.get(), event.get(), event.get(), event.get()}, 0).status,
              WaitStatus::Failed);
}

TEST(KObjects, TableFullFailsCleanly) {
    ScopedNamespace scope;
    std::vector<std::unique_ptr<NamedEvent>> events;
    for (std::size_t i = 0; i < platform::kobj::kSlotCount; ++i) {
        events.push_back(NamedEvent::Create("full" + std::to_string(i), false, false));
        ASSERT_TRUE(events.back()) << i;
    }
    errno = 0;
    EXPECT_FALSE(NamedEvent::Create("one too many", false, false));
    EXPECT_EQ(errno, ENOSPC);
    events.pop_back();
    EXPECT_TRUE(NamedEvent::Create("one too many", false, false));
}

// --- Events across processes ---

class KObjectsProcesses : public ::testing::Test {
protected:
    void SetUp() override {
        boardName_ = UniqueName("board");
        board_ = SharedMemory::Create(boardName_, sizeof(Board));
        event_ = UniqueName("event");
        stop_ = NamedEvent::Create(UniqueName("stop"), true, false);
        ASSERT_TRUE(board_ && stop_);
    }

    pid_t SpawnWaiter() {
        return children_.Spawn("KoEventWaiter", {event_, stop_->Name(), boardName_});
    }
    bool WaitingAre(NamedEvent& event, int n) {
        return WaitUntil([&] { return platform::kobj::WaitingThreads(event) == n; });
    }
    bool WokenAre(int n) {
        return WaitUntil([&] { return BoardOf(*board_).woken == n; });
    }

    std::string boardName_;
    std::unique_ptr<SharedMemory> board_;
    std::string event_;
    std::unique_ptr<NamedEvent> stop_;
    Children children_;
};

TEST_F(KObjectsProcesses, AutoResetSetWakesExactlyOneWaitingProcess) {
    auto event = NamedEvent::Create(event_, false, false);
    ASSERT_TRUE(event);
    for (int i = 0; i < 3; ++i)
        SpawnWaiter();
    ASSERT_TRUE(WaitingAre(*event, 3));
    ASSERT_TRUE(event->Set());
    ASSERT_TRUE(WokenAre(1));
    ASSERT_TRUE(WaitingAre(*event, 2));
    ASSERT_TRUE(event->Set());
    ASSERT_TRUE(WokenAre(2));
    stop_->Set();
    EXPECT_EQ(children_.FinishAll(),
              (std::vector<int>{kWokenByObject, kWokenByObject, kWokenByStop}));
    EXPECT_EQ(WaitForObject(*event, 0).status, WaitStatus::TimedOut);
}

TEST_F(KObjectsProcesses, ManualResetSetWakesAllAndStaysSet) {
    auto event = NamedEvent::Create(event_, true, false);
    ASSERT_TRUE(event);
    for (int i = 0; i < 3; ++i)
        SpawnWaiter();
    ASSERT_TRUE(WaitingAre(*event, 3));
    ASSERT_TRUE(event->Set());
    EXPECT_EQ(children_.FinishAll(), std::vector<int>(3, kWokenByObject));
    EXPECT_EQ(WaitForObject(*event, 0).status, WaitStatus::Signalled);
}

TEST_F(KObjectsProcesses, AutoResetPulseWakesOneOfTheCurrentWaitersOnly) {
    auto event = NamedEvent::Create(event_, false, false);
    ASSERT_TRUE(event);
    SpawnWaiter();
    SpawnWaiter();
    ASSERT_TRUE(WaitingAre(*event, 2));
    ASSERT_TRUE(event->Pulse());
    ASSERT_TRUE(WokenAre(1));
    // A waiter that comes after the pulse finds nothing of it.
    SpawnWaiter();
    ASSERT_TRUE(WaitingAre(*event, 2));
    stop_->Set();
    EXPECT_EQ(children_.FinishAll(),
              (std::vector<int>{kWokenByObject, kWokenByStop, kWokenByStop}));
}

TEST_F(KObjectsProcesses, ManualResetPulseWakesAllCurrentWaitersAndLeavesItReset) {
    auto event = NamedEvent::Create(event_, true, false);
    ASSERT_TRUE(event);
    SpawnWaiter();
    SpawnWaiter();
    ASSERT_TRUE(WaitingAre(*event, 2));
    ASSERT_TRUE(event->Pulse());
    EXPECT_EQ(children_.FinishAll(), std::vector<int>(2, kWokenByObject));
    EXPECT_EQ(WaitForObject(*event, 0).status, WaitStatus::TimedOut);
    SpawnWaiter();
    ASSERT_TRUE(WaitingAre(*event, 1));
    stop_->Set();
    EXPECT_EQ(children_.FinishAll(), std::vector<int>{kWokenByStop});
}

TEST_F(KObjectsProcesses, KilledWaiterDoesNotSwallowWakeUps) {
    auto event = NamedEvent::Create(event_, false, false);
    ASSERT_TRUE(event);
    pid_t victim = SpawnWaiter();
    ASSERT_TRUE(WaitingAre(*event, 1));
    ASSERT_TRUE(children_.KillAndWaitDead(victim));
    EXPECT_EQ(platform::kobj::WaitingThreads(*event), 0);
    SpawnWaiter();
    ASSERT_TRUE(WaitingAre(*event, 1));
    ASSERT_TRUE(event->Pulse());
    ASSERT_TRUE(WokenAre(1));
    SpawnWaiter();
    ASSERT_TRUE(WaitingAre(*event, 1));
    ASSERT_TRUE(event->Set());
    ASSERT_TRUE(WokenAre(2));
    EXPECT_EQ(children_.FinishAll(),
              (std::vector<int>{kWokenByObject, kWokenByObject, 128 + SIGKILL}));
}

TEST_F(KObjectsProcesses, WaiterOnThreeObjectsLearnsWhichFiredAndTheFirstWins) {
    std::string first = UniqueName("first"), second = UniqueName("second"),
                mutexName = UniqueName("mutex");
    auto e0 = NamedEvent::Create(first, false, false);
    auto e1 = NamedEvent::Create(second, false, false);
    auto mutex = NamedMutex::Create(mutexName, true);
    ASSERT_TRUE(e0 && e1 && mutex);

    pid_t child = children_.Spawn("KoThreeWaiter", {first, second, mutexName});
    ASSERT_TRUE(WaitingAre(*e1, 1));
    e1->Set();
    EXPECT_EQ(children_.Finish(child), kWokenByObject + 1);

    // Both events set: the first in the list fires and only it is taken.
    e0->Set();
    e1->Set();
    child = children_.Spawn("KoThreeWaiter", {first, second, mutexName});
    EXPECT_EQ(children_.Finish(child), kWokenByObject + 0);
    EXPECT_EQ(WaitForObject(*e0, 0).status, WaitStatus::TimedOut);
    EXPECT_EQ(WaitForObject(*e1, 0).status, WaitStatus::Signalled);

    // The mutex, once released; the child then ends owning it, which abandons it.
    child = children_.Spawn("KoThreeWaiter", {first, second, mutexName});
    ASSERT_TRUE(WaitingAre(*e0, 1));
    ASSERT_TRUE(mutex->Release());
    EXPECT_EQ(children_.Finish(child), kWokenByObject + 2);
    EXPECT_EQ(WaitForObjects({e0.get(), mutex.get()}, 10000).status, WaitStatus::Abandoned);
    EXPECT_TRUE(mutex->Release());
}

// --- Mutexes ---

TEST(KObjectsMutex, OwnerTakesAgainAndOnlyTheOwnerReleases) {
    auto mutex = NamedMutex::Create(UniqueName("reentrant"), true);
    ASSERT_TRUE(mutex);
    EXPECT_EQ(WaitForObject(*mutex, 0).status, WaitStatus::Signalled);
    EXPECT_EQ(WaitForObject(*mutex, 0).status, WaitStatus::Signalled);

    std::thread other([&] {
        errno = 0;
        EXPECT_FALSE(mutex->Release());
        EXPECT_EQ(errno, EPERM);
        EXPECT_EQ(WaitForObject(*mutex, 20).status, WaitStatus::TimedOut);
    });
    other.join();

    EXPECT_TRUE(mutex->Release());
    EXPECT_TRUE(mutex->Release());
    std::thread waiter([&] { EXPECT_EQ(WaitForObject(*mutex, 20).status, WaitStatus::TimedOut); });
    waiter.join();
    EXPECT_TRUE(mutex->Release());
    EXPECT_FALSE(mutex->Release());

    // A released mutex goes to the thread that waits for it, not as abandoned.
    ASSERT_EQ(WaitForObject(*mutex, 0).status, WaitStatus::Signalled);
    std::thread next([&] {
        EXPECT_EQ(WaitForObject(*mutex, 20000).status, WaitStatus::Signalled);
        EXPECT_TRUE(mutex->Release());
    });
    EXPECT_TRUE(WaitUntil([&] { return platform::kobj::WaitingThreads(*mutex) == 1; }));
    EXPECT_TRUE(mutex->Release());
    next.join();
}

TEST(KObjectsMutex, ThreadThatEndsOwningItAbandonsIt) {
    auto mutex = NamedMutex::Create(UniqueName("thread"), false);
    ASSERT_TRUE(mutex);
    std::atomic<bool> taken{false};
    std::atomic<Clock::rep> ended{0};
    std::thread owner([&] {
        taken = WaitForObject(*mutex, 0).status == WaitStatus::Signalled;
        EXPECT_TRUE(WaitUntil([&] { return platform::kobj::WaitingThreads(*mutex) == 1; }));
        ended = Clock::now().time_since_epoch().count();
    });
    EXPECT_TRUE(WaitUntil([&] { return taken.load(); }));
    WaitResult r = WaitForObject(*mutex, kChildWaitMs);
    auto returned = Clock::now();
    owner.join();
    EXPECT_EQ(r.status, WaitStatus::Abandoned);
    EXPECT_EQ(r.index, 0);
    EXPECT_LT(returned - Clock::time_point(Clock::duration(ended.load())), kPromptly);
    EXPECT_TRUE(mutex->Release());
    EXPECT_EQ(WaitForObject(*mutex, 0).status, WaitStatus::Signalled);
    EXPECT_TRUE(mutex->Release());
}

// Both ways a waiter learns of a dead owner: woken by the kernel, or looking from time to time.
class KObjectsKilledOwner : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { platform::kobj::SetOwnerDeathWakeups(GetParam()); }
    void TearDown() override { platform::kobj::SetOwnerDeathWakeups(true); }
};

TEST_P(KObjectsKilledOwner, NextWaiterGetsTheMutexAbandonedPromptly) {
    std::string mutexName = UniqueName("killed");
    auto ready = NamedEvent::Create(UniqueName("ready"), true, false);
    ASSERT_TRUE(ready);
    Children children;
    pid_t owner = children.Spawn("KoMutexOwner", {mutexName, ready->Name()});
    ASSERT_EQ(WaitForObject(*ready, 20000).status, WaitStatus::Signalled);
    auto mutex = NamedMutex::Open(mutexName);
    ASSERT_TRUE(mutex);
    EXPECT_EQ(WaitForObject(*mutex, 0).status, WaitStatus::TimedOut);

    auto other = NamedEvent::Create("", false, false);
    ASSERT_TRUE(other);
    WaitResult result;
    std::thread waiter([&] { result = WaitForObjects({other.get(), mutex.get()}, kChildWaitMs); });
    EXPECT_TRUE(WaitUntil([&] { return platform::kobj::WaitingThreads(*mutex) == 1; }));
    auto killed = Clock::now();
    kill(owner, SIGKILL);
    waiter.join();
    EXPECT_EQ(result.status, WaitStatus::Abandoned);
    EXPECT_EQ(result.index, 1);
    EXPECT_LT(Clock::now() - killed, kPromptly);
    EXPECT_EQ(children.Finish(owner), 128 + SIGKILL);
}

INSTANTIATE_TEST_SUITE_P(WakeUps, KObjectsKilledOwner, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("KernelWakesWaiter")
                                               : std::string("WaiterPolls");
                         });

// --- Crashes and lifetime across processes ---

TEST(KObjectsCrash, ProcessKilledHoldingTheTableLockBlocksNobody) {
    std::string boardName = UniqueName("board");
    auto board = SharedMemory::Create(boardName, sizeof(Board));
    auto event = NamedEvent::Create(UniqueName("after"), false, false);
    ASSERT_TRUE(board && event);
    Children children;
    pid_t holder = children.Spawn("KoTableLockHolder", {boardName});
    ASSERT_TRUE(WaitUntil([&] { return BoardOf(*board).ready == 1; }));
    std::atomic<bool> setDone{false};
    std::thread setter([&] { setDone = event->Set(); });
    EXPECT_TRUE(children.KillAndWaitDead(holder));
    setter.join();
    EXPECT_TRUE(setDone);
    EXPECT_EQ(WaitForObject(*event, 10000).status, WaitStatus::Signalled);
    EXPECT_TRUE(NamedEvent::Create(UniqueName("more"), false, false));
}

TEST(KObjectsCrash, ObjectsOfAKilledProcessAreGoneWithTheirFiles) {
    ScopedNamespace scope;
    std::string eventName = UniqueName("e"), mutexName = UniqueName("m"),
                blockName = UniqueName("b");
    auto ready = NamedEvent::Create(UniqueName("ready"), true, false);
    ASSERT_TRUE(ready);
    Children children;
    pid_t holder = children.Spawn("KoHolder", {eventName, mutexName, blockName, ready->Name()});
    ASSERT_EQ(WaitForObject(*ready, 20000).status, WaitStatus::Signalled);

    // The block is shared: what the child wrote is here, and what is written here is there.
    auto reader = SharedMemory::Open(blockName, false);
    ASSERT_TRUE(reader);
    EXPECT_FALSE(reader->Writable());
    ASSERT_EQ(reader->Size(), 4096u);
    EXPECT_EQ(static_cast<unsigned char*>(reader->Data())[4095], 0xAB);
    bool existed = false;
    auto writer = SharedMemory::Create(blockName, 1, &existed);
    ASSERT_TRUE(writer);
    EXPECT_TRUE(existed);
    EXPECT_EQ(writer->Size(), 4096u);
    static_cast<unsigned char*>(writer->Data())[0] = 0x5A;
    EXPECT_EQ(static_cast<unsigned char*>(reader->Data())[0], 0x5A);
    reader.reset();
    writer.reset();
    EXPECT_TRUE(NamedEvent::Open(eventName));

    ASSERT_TRUE(children.KillAndWaitDead(holder));
    for (const char* what : {"event", "mutex", "block"}) {
        errno = 0;
        bool opened = what[0] == 'e'   ? NamedEvent::Open(eventName) != nullptr
                      : what[0] == 'm' ? NamedMutex::Open(mutexName) != nullptr
                                       : SharedMemory::Open(blockName) != nullptr;
        EXPECT_FALSE(opened) << what;
        EXPECT_EQ(errno, ENOENT) << what;
    }
    for (const std::string& file : BackingFiles())
        EXPECT_EQ(file.find(".mem."), std::string::npos) << file;

    // A new block of the name starts empty.
    auto fresh = SharedMemory::Create(blockName, 4096, &existed);
    ASSERT_TRUE(fresh);
    EXPECT_FALSE(existed);
    auto* bytes = static_cast<unsigned char*>(fresh->Data());
    EXPECT_TRUE(std::all_of(bytes, bytes + fresh->Size(), [](unsigned char b) { return b == 0; }));
}

TEST(KObjectsFiles, BackingFilesAreOwnerOnlyAndGoWithTheLastHandle) {
    ScopedNamespace scope;
    {
        auto event = NamedEvent::Create("perm-event", false, false);
        auto block = SharedMemory::Create("perm-block", 100);
        ASSERT_TRUE(event && block);
        std::vector<std::string> files = BackingFiles();
        ASSERT_EQ(files.size(), 2u); // the table and the block
        for (const std::string& file : files) {
            struct stat st {};
            ASSERT_EQ(lstat(file.c_str(), &st), 0) << file;
            EXPECT_TRUE(S_ISREG(st.st_mode)) << file;
            EXPECT_EQ(st.st_mode & 0777, 0600u) << file;
            EXPECT_EQ(st.st_uid, geteuid()) << file;
        }
    }
    EXPECT_TRUE(BackingFiles().empty());
}
