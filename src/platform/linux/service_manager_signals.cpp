// Stop requests by signal, taken by a thread of their own (as a service manager's dispatcher
// thread would deliver them), and the system log as the service's event log.
#include <atomic>
#include <csignal>
#include <ctime>
#include <iterator>
#include <pthread.h>
#include <syslog.h>
#include <thread>

#include "platform/service_manager.h"

namespace platform {
namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The watcher's thread, for stop signals that reach a thread which was started before the
// watcher and so does not block them: the handler passes them on.
std::atomic<bool> g_forwarding{false};
pthread_t g_watcherThread;

void ForwardToWatcher(int signal) {
    if (g_forwarding.load())
        pthread_kill(g_watcherThread, signal);
}

} // namespace

struct StopSignalWatcher::State {
    sigset_t signals;
    sigset_t previous;
    struct sigaction previousActions[3];
    int wakeSignal = SIGTERM;
    std::atomic<bool> done{false};
    std::function<void()> onStop;
    std::thread thread;
};

StopSignalWatcher::StopSignalWatcher(StopSignals signals, std::function<void()> onStop)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.onStop = std::move(onStop);
    sigemptyset(&s.signals);
    sigaddset(&s.signals, SIGTERM);
    sigaddset(&s.signals, SIGINT);
    if (signals == StopSignals::Console)
        sigaddset(&s.signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &s.signals, &s.previous);
    s.thread = std::thread([&s] {
        for (;;) {
            int signal = 0;
            if (sigwait(&s.signals, &signal) != 0)
                continue;
            if (s.done.load())
                return;
            s.onStop();
        }
    });
    g_watcherThread = s.thread.native_handle();
    g_forwarding.store(true);
    struct sigaction forward {};
    forward.sa_handler = ForwardToWatcher;
    forward.sa_flags = SA_RESTART;
    sigfillset(&forward.sa_mask);
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
        if (sigismember(&s.signals, kStopSignals[i]) == 1)
            sigaction(kStopSignals[i], &forward, &s.previousActions[i]);
    }
}

StopSignalWatcher::~StopSignalWatcher() {
    State& s = *state_;
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
        if (sigismember(&s.signals, kStopSignals[i]) == 1)
            sigaction(kStopSignals[i], &s.previousActions[i], nullptr);
    }
    g_forwarding.store(false);
    s.done.store(true);
    pthread_kill(s.thread.native_handle(), s.wakeSignal);
    s.thread.join();
    // A stop signal that came after the thread ended would end the process once unblocked.
    timespec zero{};
    while (sigtimedwait(&s.signals, nullptr, &zero) > 0) {
    }
    pthread_sigmask(SIG_SETMASK, &s.previous, nullptr);
}

namespace {
std::string& EventSource() {
    static std::string source;
    return source;
}
} // namespace

void OpenServiceEventLog(const std::string& source) {
    // openlog keeps the pointer, so the text lives as long as the process.
    EventSource() = source;
    openlog(EventSource().c_str(), LOG_PID, LOG_USER);
}

void WriteServiceEvent(std::uint32_t id, bool error, const std::string& text) {
    int priority = error ? LOG_ERR : LOG_INFO;
    if (text.empty())
        syslog(priority, "event 0x%08X", id);
    else
        syslog(priority, "event 0x%08X: %s", id, text.c_str());
}

void CloseServiceEventLog() {
    closelog();
}

} // namespace platform
