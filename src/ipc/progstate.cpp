#include "ipc/progstate.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>

#include "base/mlog.h"
#include "platform/kobjects.h"

using platform::NamedEvent;
using platform::NamedMutex;
using platform::WaitForObjects;
using platform::WaitResult;
using platform::WaitStatus;

namespace {

// Opens the work mutex of a server that works: the mutex exists and somebody owns it. A mutex
// that can be taken at once (it outlived its server in some handle, or its owner died) means
// no server: it is given back and closed.
std::unique_ptr<NamedMutex> OpenWorkingServer(const std::string& name) {
    std::unique_ptr<NamedMutex> mutex = NamedMutex::Open(name);
    if (!mutex) {
        LogNote("OpenMutex error: %u", static_cast<unsigned>(errno));
        return nullptr;
    }
    WaitResult probe = platform::WaitForObject(*mutex, 0);
    if (probe.status == WaitStatus::Signalled || probe.status == WaitStatus::Abandoned) {
        mutex->Release();
        return nullptr;
    }
    return mutex;
}

} // namespace

// Everything the observer thread uses. The thread holds its own reference, so an observer
// thread that outlives ObserverStop (stuck in a callback) still finds all of it.
struct ProgrammState::Observer {
    std::string runEventName;
    std::string workMutexName;
    ServStateCallback* target = nullptr; // set before the thread starts, never changed
    std::unique_ptr<NamedEvent> stopEvent;
    std::atomic<bool> stopping{false};

    std::mutex doneLock;
    std::condition_variable doneSignal;
    bool done = false;

    // Calls one operation of the target unless observing was stopped meanwhile.
    void Report(void (ServStateCallback::*operation)()) {
        if (target != nullptr && !stopping.load())
            (target->*operation)();
    }
};

ProgrammState::ProgrammState(std::string baseName)
    : stopEventName_(baseName + "StopCl"), runEventName_(baseName + "ServRun"),
      workMutexName_(baseName + "ServIsWork") {}

ProgrammState::~ProgrammState() {
    if (observer_)
        ObserverStop();
    if (workMutex_)
        ProgrammStop();
}

bool ProgrammState::ProgrammStart() {
    static constexpr const char* kMethod = "ProgrammState::ProgrammStart";
    LogScope scope(kMethod);
    ReleaseWorkMutex();

    bool existed = false;
    workMutex_ = NamedMutex::Create(workMutexName_, true, &existed);
    if (!workMutex_) {
        LogMethod(kMethod, "Create mutex error: %u", static_cast<unsigned>(errno));
        scope.SetResult(false);
        return false;
    }
    workMutexHeld_ = !existed;
    if (existed) {
        // Someone holds a handle: an observer that has just seen the previous server stop
        // gives the mutex back at once, so a short wait is enough; a server that still works
        // keeps it.
        WaitResult taken = platform::WaitForObject(*workMutex_, kTakeWorkMutexMs);
        workMutexHeld_ =
            taken.status == WaitStatus::Signalled || taken.status == WaitStatus::Abandoned;
        if (!workMutexHeld_)
            LogWarning("%s: the work mutex \"%s\" stays owned by someone else", kMethod,
                       workMutexName_.c_str());
    }

    std::unique_ptr<NamedEvent> runEvent = NamedEvent::Open(runEventName_);
    auto openError = static_cast<unsigned>(errno);
    LogNote("OpenEvent: hServRunEvent=%u", runEvent ? 1u : 0u); // a handle logs as 1, none as 0
    if (runEvent)
        runEvent->Set();
    else
        LogNote("OpenEvent error: %u", openError);
    scope.SetResult(true);
    return true;
}

void ProgrammState::ProgrammStop() {
    LogNote("ProgrammState::ProgrammStop");
    ReleaseWorkMutex();
}

void ProgrammState::ReleaseWorkMutex() {
    if (workMutexHeld_)
        workMutex_->Release();
    workMutexHeld_ = false;
    workMutex_.reset();
}

bool ProgrammState::ObserverStart(ServStateCallback* target) {
    static constexpr const char* kMethod = "ProgrammState::ObserverStart";
    LogScope scope(kMethod);
    if (observer_)
        ObserverStop();

    auto observer = std::make_shared<Observer>();
    observer->runEventName = runEventName_;
    observer->workMutexName = workMutexName_;
    observer->target = target;
    observer->stopEvent = NamedEvent::Create(stopEventName_, false, false);
    if (!observer->stopEvent) {
        LogMethod(kMethod, "Create event error: %u", static_cast<unsigned>(errno));
        scope.SetResult(false);
        return false;
    }
    // A stop meant for an earlier observer that did not end in time must not end this one.
    observer->stopEvent->Reset();

    try {
        thread_ = std::thread(&ProgrammState::ThreadServerState, observer);
    } catch (const std::system_error& e) {
        LogMethod(kMethod, "Create thread error: %u", static_cast<unsigned>(e.code().value()));
        scope.SetResult(false);
        return false; // the stop event goes with the observer record
    }
    observer_ = std::move(observer);
    scope.SetResult(true);
    return true;
}

void ProgrammState::ObserverStop() {
    LogNote("ProgrammState::ObserverStop");
    if (!observer_)
        return;
    observer_->stopping.store(true);
    observer_->stopEvent->Set();

    bool ended = false;
    if (thread_.get_id() != std::this_thread::get_id()) {
        std::unique_lock<std::mutex> lock(observer_->doneLock);
        ended = observer_->doneSignal.wait_for(lock, std::chrono::milliseconds(kObserverStopMs),
                                               [this] { return observer_->done; });
    }
    if (ended) {
        thread_.join();
    } else {
        // Stuck in a callback (or stopped from inside one): the thread keeps its own
        // reference to what it uses and ends by itself without calling anything more.
        LogWarning("%s: the observer thread did not end in %u ms", "ProgrammState::ObserverStop",
                   kObserverStopMs);
        thread_.detach();
    }
    observer_.reset();
}

void ProgrammState::ThreadServerState(std::shared_ptr<Observer> observer) {
    static constexpr const char* kMethod = "ProgrammState::ThreadServerState";
    LogEnter(kMethod);
    Observer& o = *observer;

    std::unique_ptr<NamedEvent> runEvent = NamedEvent::Create(o.runEventName, false, false);
    if (!runEvent) {
        LogMethod(kMethod, "CreateEvent error: %u", static_cast<unsigned>(errno));
    } else {
        // A start signal from before this look belongs to the server the look finds (or to one
        // that has ended since): it is dropped, so that one start is not reported twice.
        runEvent->Reset();
        std::unique_ptr<NamedMutex> workMutex = OpenWorkingServer(o.workMutexName);
        bool running = workMutex != nullptr;
        if (running)
            o.Report(&ServStateCallback::ServOnStart);

        while (!o.stopping.load()) {
            WaitResult woken =
                workMutex
                    ? WaitForObjects({o.stopEvent.get(), runEvent.get(), workMutex.get()},
                                     platform::kWaitInfinite)
                    : WaitForObjects({o.stopEvent.get(), runEvent.get()}, platform::kWaitInfinite);
            if (woken.status != WaitStatus::Signalled && woken.status != WaitStatus::Abandoned) {
                LogError("%s: waiting for the server state failed", kMethod);
                break;
            }
            if (woken.index == 0)
                break;
            if (woken.index == 1) {
                // The server has just started: watch its work mutex from now on.
                workMutex.reset();
                workMutex = OpenWorkingServer(o.workMutexName);
                if (workMutex) {
                    running = true;
                    o.Report(&ServStateCallback::ServOnStart);
                } else {
                    if (running) {
                        running = false;
                        o.Report(&ServStateCallback::ServOnStop);
                    }
                }
            } else {
                // Obtained: the server released it or its thread ended. Give it back at once so
                // that a restarted server can own it again.
                workMutex->Release();
                workMutex.reset();
                running = false;
                o.Report(&ServStateCallback::ServOnStop);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(kObserverPauseMs));
        }
    }
    LogLeave(kMethod);

    std::lock_guard<std::mutex> lock(o.doneLock);
    o.done = true;
    o.doneSignal.notify_all();
}
