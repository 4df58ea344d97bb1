// Background services of the user's session: installing, starting, stopping and querying a
// service program, and the running service program's link to whoever started it (status
// reports, stop requests, the event log).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Service states, numbered as the service frame reports them.
constexpr std::uint32_t kServiceStopped = 1;
constexpr std::uint32_t kServiceStartPending = 2;
constexpr std::uint32_t kServiceStopPending = 3;
constexpr std::uint32_t kServiceRunning = 4;

// What a service is: its names and the command that runs it.
struct ServiceDefinition {
    std::string name; // letters, digits and "-_.@:" only
    std::string displayName;
    std::string description;
    std::string program; // full path of the program file
    std::vector<std::string> arguments;
};

// Why a management call failed.
enum class ServiceFailure {
    None,
    NotInstalled, // no such service
    Denied,       // the service definition may not be written or removed
    Failed,       // the operation itself failed
    Unresponsive, // the service did not reach the awaited state in time
};

struct ServiceOutcome {
    ServiceFailure failure = ServiceFailure::None;
    int error = 0;    // errno value, or 0 when the service manager reported the failure
    std::string text; // what went wrong, in the system's words
    bool Ok() const { return failure == ServiceFailure::None; }
};

// How long Start and Stop wait for the service to be running or gone.
constexpr int kServiceWaitMs = 10000;

// True when the service is installed (its definition exists).
bool IsServiceInstalled(const std::string& name);

// Installs the service, replacing an earlier definition of the same name, and enables it to
// start with the user's session.
ServiceOutcome InstallService(const ServiceDefinition& definition);

// Stops the service when it runs, then removes its definition.
ServiceOutcome UninstallService(const std::string& name);

// Starts the service and waits until it reports running. A service that runs or is starting
// already is left as it is.
ServiceOutcome StartService(const std::string& name);

// Asks the service to stop and waits until its program has ended. A stopped service is left as
// it is.
ServiceOutcome StopService(const std::string& name);

// The current state of an installed service (one of kService*).
ServiceOutcome QueryServiceState(const std::string& name, std::uint32_t& state);

// The command of an installed service: the program's full path, then its arguments.
ServiceOutcome QueryServiceCommand(const std::string& name, std::vector<std::string>& command);

// The running service program's link to whoever started it: the service manager, or the start
// without one (then a pid file tells others that the service runs, and in which state).
class ServiceStatusLink {
public:
    virtual ~ServiceStatusLink() = default;

    // Opens the link of this process for the service name. Returns nullptr with the errno value
    // in error when it cannot be opened; EEXIST when another process runs the service already.
    static std::unique_ptr<ServiceStatusLink> Open(const std::string& name, int& error);

    // Reports a state change (kService*). False when the report could not be delivered.
    virtual bool Report(std::uint32_t state) = 0;
};

// Which signals count as a stop request.
enum class StopSignals {
    Service, // SIGTERM (the service manager's stop) and SIGINT
    Console, // SIGINT, SIGTERM and SIGHUP (Ctrl+C, the terminal closed, the session ending)
};

// Hands each stop signal that arrives to onStop, on a thread of its own (the signals are blocked
// in the calling thread and waited for there; threads started earlier pass them on). One watcher
// at a time. The destructor ends the thread and restores the signal mask and handlers; a stop
// signal that arrived meanwhile is then discarded.
class StopSignalWatcher {
public:
    StopSignalWatcher(StopSignals signals, std::function<void()> onStop);
    ~StopSignalWatcher();
    StopSignalWatcher(const StopSignalWatcher&) = delete;
    StopSignalWatcher& operator=(const StopSignalWatcher&) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The system log as the service's event log: source names the service.
void OpenServiceEventLog(const std::string& source);
// Writes "event 0x%08X: text" ("event 0x%08X" without a text) as an error or an information.
void WriteServiceEvent(std::uint32_t id, bool error, const std::string& text);
void CloseServiceEventLog();

} // namespace platform
