// CNTService: the frame that turns a console program into a service. It parses the command-line
// verbs (install, uninstall, start, stop, version, -f for the foreground, otherwise run as a
// service), reports status changes to whoever started the service, hands stop requests and
// other control codes to virtual operations, and writes the service's events to the event log.
//
// A service program derives from it and runs, from main():
//
//     MyService service("Name", "Display name", "Description");
//     std::vector<std::string> args(argv, argv + argc);
//     service.ParseArgs(args);
//     service.RunCommand(args);
//
// Run does the work and returns once a stop was requested (OnStop, on another thread, tells it).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace platform {
class ServiceStatusLink;
}

// Service states as the status record carries them.
namespace servicestate {
constexpr std::uint32_t kStopped = 1;
constexpr std::uint32_t kStartPending = 2;
constexpr std::uint32_t kStopPending = 3;
constexpr std::uint32_t kRunning = 4;
} // namespace servicestate

// Control codes of the control handler; user codes start at kFirstUser.
namespace servicecontrol {
constexpr std::uint32_t kStop = 1;
constexpr std::uint32_t kPause = 2;
constexpr std::uint32_t kContinue = 3;
constexpr std::uint32_t kInterrogate = 4;
constexpr std::uint32_t kShutdown = 5;
constexpr std::uint32_t kFirstUser = 128;
} // namespace servicecontrol

// Identifiers of the events written to the event log.
namespace serviceevent {
constexpr std::uint32_t kInstalled = 0x60100100;
constexpr std::uint32_t kRemoved = 0x60100101;
constexpr std::uint32_t kRemoveFailed = 0x60100102;
constexpr std::uint32_t kInstallFailed = 0xE0100103;
constexpr std::uint32_t kCtrlHandlerNotInstalled = 0xE0100104;
constexpr std::uint32_t kInitFailed = 0xE0100105;
constexpr std::uint32_t kInitialized = 0x60100106;
constexpr std::uint32_t kBadRequest = 0xA0100107;
constexpr std::uint32_t kStopped = 0x60100109;
constexpr std::uint32_t kFailedInit = 0xE010010A;
// True for the events of type error.
bool IsError(std::uint32_t id);
} // namespace serviceevent

// The status of the service as it is reported.
struct ServiceStatusRecord {
    std::uint32_t serviceType = 0x10; // a process of its own
    std::uint32_t currentState = servicestate::kStopped;
    std::uint32_t controlsAccepted = 1; // stop only
    std::uint32_t exitCode = 0;
    std::uint32_t specificExitCode = 0;
    std::uint32_t checkPoint = 0;
    std::uint32_t waitHint = 0;
};

class CNTService {
public:
    enum class Command { Service, Version, Install, Uninstall, Foreground, Start, Stop };

    static constexpr int kMajorVersion = 1;
    static constexpr int kMinorVersion = 0;
    static constexpr std::size_t kMaxNameBytes = 63;
    static constexpr std::size_t kMaxDescriptionBytes = 127;
    // How long the default Run sleeps between looks at the running flag.
    static constexpr int kRunSleepMs = 5000;

    // Names longer than their maximum are cut. The program that the service runs is this
    // process's program file, without arguments (see SetProgramCommand).
    CNTService(const std::string& serviceName, const std::string& displayName,
               const std::string& description);
    virtual ~CNTService();
    CNTService(const CNTService&) = delete;
    CNTService& operator=(const CNTService&) = delete;

    // Chooses the command from args[1] (args[0] is the program), without regard to case.
    virtual void ParseArgs(const std::vector<std::string>& args);
    // Removes the service (stopping it first). Throws CMyException on failure.
    virtual void Uninstall();
    // Runs the service's work in the foreground; returns RunCommand's result.
    virtual int RunForeground(const std::vector<std::string>& args) = 0;
    // The service's work; returns when stopped. The default sleeps until the running flag ends.
    virtual void Run();
    // Called before Run; false ends the service at once.
    virtual bool OnInit();
    // A stop request, on the dispatcher thread.
    virtual void OnStop();
    virtual void OnInterrogate();
    virtual void OnPause();
    virtual void OnContinue();
    virtual void OnShutdown();
    // A user control code (128 and above); false when it is not one of the service's.
    virtual bool OnUserControl(std::uint32_t code);

    // Carries out the command chosen by ParseArgs; args as given to ParseArgs. Messages go to
    // the console. Returns 0 when the command failed (its text is printed), otherwise 1 (or
    // RunForeground's result).
    int RunCommand(const std::vector<std::string>& args);

    bool IsInstalled() const;
    // Installs the service with the arguments from args[2] on added to the program command.
    // Throws CMyException on failure.
    void Install(const std::vector<std::string>& args);
    // Start and stop the installed service. Throw CMyException on failure.
    void Start();
    void Stop();

    // Stores and reports the current state (one of servicestate::).
    void SetStatus(std::uint32_t state);
    // The control handler: runs one control code (one of servicecontrol::).
    void Handler(std::uint32_t code);
    // The service's life as a service: start-up, Run, stop. Called by RunCommand.
    void ServiceMain();

    // The command the service runs: program file (full path) and the arguments that precede
    // those given at install. For programs that run the service through a launcher.
    void SetProgramCommand(std::string program, std::vector<std::string> leadingArgs);
    // Where RunCommand prints (standard output by default).
    void SetConsole(std::ostream& console) { console_ = &console; }

    Command ParsedCommand() const { return command_; }
    bool IsRunning() const { return running_.load(); }
    ServiceStatusRecord Status() const;
    const std::string& Name() const { return name_; }
    const std::string& DisplayName() const { return displayName_; }
    const std::string& Description() const { return description_; }

    // Writes an event to the event log (opened on first use).
    void LogEvent(std::uint32_t id, const std::string& text = {});
    // One trace line: "[name](thread id): " and the formatted text, logged as a note.
    void DebugMsg(const char* format, ...) const __attribute__((format(printf, 2, 3)));

    // The process's service object, or nullptr.
    static CNTService* Instance();

protected:
    bool Initialize();
    // For a service that is ready only once its Run has set its work up: Initialize then leaves
    // it starting, and Run calls ReportRunning when the work runs (set in the constructor).
    void SetReadyFromRun(bool fromRun) { readyFromRun_ = fromRun; }
    void ReportRunning();
    // Records that the service could not do its work: the process's exit code is not 0.
    void SetExitCode(std::uint32_t code);
    // Ends the default Run's sleep when the running flag was cleared.
    void WakeRun();

    std::atomic<bool> running_{true};

private:
    unsigned long StatusHandle() const;

    std::string name_;
    std::string displayName_;
    std::string description_;
    std::string program_;
    std::vector<std::string> leadingArgs_;
    Command command_ = Command::Service;
    bool readyFromRun_ = false;
    std::ostream* console_;
    std::once_flag eventLogOnce_;
    std::atomic<bool> eventLogOpen_{false};

    mutable std::mutex statusMutex_;
    ServiceStatusRecord status_;
    std::unique_ptr<platform::ServiceStatusLink> link_;
    std::atomic<bool> stopRequested_{false};

    std::mutex wakeMutex_;
    std::condition_variable wake_;
};
