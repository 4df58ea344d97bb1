// Whether the voice server runs, told across processes. The server owns a named work mutex for
// as long as it works and announces its start with a named run event; the control panel runs an
// observer thread that waits on these objects and reports the server's start and stop.
#pragma once

#include <memory>
#include <string>
#include <thread>

namespace platform {
class NamedMutex;
}

// What the observer reports. Both calls come from the observer thread; a receiver that owns a
// user interface hands the work to its own thread.
class ServStateCallback {
public:
    virtual ~ServStateCallback() = default;
    // The server runs (it was running when observing began, or it has just started).
    virtual void ServOnStart() = 0;
    // The server has stopped or its process has ended.
    virtual void ServOnStop() = 0;
};

class ProgrammState {
public:
    static constexpr const char* kDefaultBaseName = "Global\\PN_ServState";
    // How long ProgrammStart waits for a work mutex that exists already (an observer may hold it
    // for a moment after the previous server stopped).
    static constexpr unsigned kTakeWorkMutexMs = 2000;
    // How long ObserverStop waits for the observer thread.
    static constexpr unsigned kObserverStopMs = 2000;
    // The observer's pause after each wake-up.
    static constexpr unsigned kObserverPauseMs = 300;

    explicit ProgrammState(std::string baseName = kDefaultBaseName);
    // Stops observing and releases the work mutex.
    ~ProgrammState();
    ProgrammState(const ProgrammState&) = delete;
    ProgrammState& operator=(const ProgrammState&) = delete;

    const std::string& StopEventName() const { return stopEventName_; }
    const std::string& RunEventName() const { return runEventName_; }
    const std::string& WorkMutexName() const { return workMutexName_; }

    // Server side. ProgrammStart takes the work mutex on the calling thread and wakes a waiting
    // observer; ProgrammStop (on the same thread) releases it. ProgrammStop is safe to call twice.
    bool ProgrammStart();
    void ProgrammStop();
    // True while this object owns the work mutex (ProgrammStart took it).
    bool HoldsWorkMutex() const { return workMutexHeld_; }

    // Control panel side. ObserverStart starts the observer thread, which reports to target
    // (nullptr: reports nobody). ObserverStop ends it, waiting at most kObserverStopMs; a thread
    // that is still busy in a callback then is left to finish on its own and calls nothing
    // more. After ObserverStop no new callback begins. ObserverStop is safe to call twice.
    bool ObserverStart(ServStateCallback* target);
    void ObserverStop();

private:
    struct Observer;
    void ReleaseWorkMutex();
    static void ThreadServerState(std::shared_ptr<Observer> observer);

    std::string stopEventName_;
    std::string runEventName_;
    std::string workMutexName_;
    std::unique_ptr<platform::NamedMutex> workMutex_; // server side
    bool workMutexHeld_ = false;
    std::shared_ptr<Observer> observer_; // shared with the observer thread
    std::thread thread_;
};
