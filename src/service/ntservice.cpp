#include "service/ntservice.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <iostream>

#include "base/exception.h"
#include "base/mlog.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/service_manager.h"
#include "text/utf8cut.h"

namespace {

CNTService* g_service = nullptr;

std::string Cut(const std::string& text, std::size_t maxBytes) {
    return text.substr(0, Utf8PrefixLength(text, maxBytes));
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Throws the failure of a service operation: what (with the service name) and the system's
// description of the error, or the service manager's own words.
[[noreturn]] void ThrowServiceError(const char* what, const std::string& name,
                                    const platform::ServiceOutcome& outcome) {
    char prefix[256];
    std::snprintf(prefix, sizeof prefix, what, name.c_str());
    if (outcome.error != 0)
        throw CMyException(0, static_cast<std::uint32_t>(outcome.error), "%s", prefix);
    throw CMyException(1, 0, "%s %s", prefix, outcome.text.c_str());
}

} // namespace

namespace serviceevent {
bool IsError(std::uint32_t id) {
    switch (id) {
    case kInstallFailed:
    case kRemoveFailed:
    case kCtrlHandlerNotInstalled:
    case kInitFailed:
    case kBadRequest:
    case kFailedInit:
        return true;
    default:
        return false;
    }
}
} // namespace serviceevent

CNTService::CNTService(const std::string& serviceName, const std::string& displayName,
                       const std::string& description)
    : name_(Cut(serviceName, kMaxNameBytes)), displayName_(Cut(displayName, kMaxNameBytes)),
      description_(Cut(description, kMaxDescriptionBytes)), program_(platform::ExecutablePath()),
      console_(&std::cout) {
    g_service = this;
}

CNTService::~CNTService() {
    if (eventLogOpen_)
        platform::CloseServiceEventLog();
    if (g_service == this)
        g_service = nullptr;
}

CNTService* CNTService::Instance() {
    return g_service;
}

void CNTService::SetProgramCommand(std::string program, std::vector<std::string> leadingArgs) {
    program_ = std::move(program);
    leadingArgs_ = std::move(leadingArgs);
}

void CNTService::DebugMsg(const char* format, ...) const {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    LogNote("[%s](%lu): %s", name_.c_str(), static_cast<unsigned long>(platform::CurrentThreadId()),
            text);
}

void CNTService::LogEvent(std::uint32_t id, const std::string& text) {
    // Events come from the service thread and the dispatcher thread.
    std::call_once(eventLogOnce_, [this] {
        platform::OpenServiceEventLog(name_);
        eventLogOpen_ = true;
    });
    platform::WriteServiceEvent(id, serviceevent::IsError(id), text);
}

void CNTService::ParseArgs(const std::vector<std::string>& args) {
    command_ = Command::Service;
    if (args.size() < 2)
        return;
    struct Verb {
        const char* word;
        Command command;
        const char* logName;
    };
    static constexpr Verb kVerbs[] = {
        {"version", Command::Version, "version"},
        {"install", Command::Install, "install"},
        {"uninstall", Command::Uninstall, "uninstall"},
        {"-f", Command::Foreground, "foreground"},
        {"start", Command::Start, "start"},
        {"stop", Command::Stop, "stop"},
    };
    const std::string verb = Lower(args[1]);
    for (const Verb& candidate : kVerbs) {
        if (verb == candidate.word) {
            command_ = candidate.command;
            DebugMsg("CNTService::ParseArgs %s", candidate.logName);
            return;
        }
    }
    DebugMsg("CNTService::ParseArgs service");
}

int CNTService::RunCommand(const std::vector<std::string>& args) {
    DebugMsg("CNTService::RunCommand");
    std::ostream& out = *console_;
    try {
        switch (command_) {
        case Command::Foreground:
            return RunForeground(args);
        case Command::Service: {
            DebugMsg("CNTService::RunCommand - run as a service.");
            DebugMsg("Calling StartServiceCtrlDispatcher()");
            {
                // The watcher's thread plays the dispatcher thread: it takes stop requests.
                platform::StopSignalWatcher dispatcher(platform::StopSignals::Service, [] {
                    if (CNTService* service = CNTService::Instance())
                        service->Handler(servicecontrol::kStop);
                });
                ServiceMain();
            }
            DebugMsg("Returned from StartServiceCtrlDispatcher()");
            DebugMsg("CNTService::StartService ended.");
            break;
        }
        case Command::Install:
            if (IsInstalled())
                throw CMyException(1, 0, "Service %s is already installed.\n", name_.c_str());
            Install(args);
            out << "Service " << name_ << " has been successfully installed.\n";
            break;
        case Command::Uninstall:
            if (!IsInstalled())
                throw CMyException(1, 0, "Service %s is not installed.\n", name_.c_str());
            Uninstall();
            out << "Service " << name_ << " has been successfully uninstalled.\n";
            break;
        case Command::Start:
            Start();
            break;
        case Command::Stop:
            Stop();
            break;
        case Command::Version:
            out << name_ << " Version " << kMajorVersion << "." << kMinorVersion << "\n";
            out << "Service is " << (IsInstalled() ? "" : "not ") << "installed.\n";
            break;
        }
    } catch (const CMyException& e) {
        std::string text = e.what();
        if (text.empty() || text.back() != '\n')
            text += '\n';
        out << text;
        out.flush();
        return 0;
    }
    out.flush();
    return 1;
}

bool CNTService::IsInstalled() const {
    return platform::IsServiceInstalled(name_);
}

void CNTService::Install(const std::vector<std::string>& args) {
    platform::ServiceDefinition definition;
    definition.name = name_;
    definition.displayName = displayName_;
    definition.description = description_;
    definition.program = program_;
    definition.arguments = leadingArgs_;
    for (std::size_t i = 2; i < args.size(); ++i)
        definition.arguments.push_back(args[i]);
    platform::ServiceOutcome outcome = platform::InstallService(definition);
    if (!outcome.Ok()) {
        LogEvent(serviceevent::kInstallFailed, outcome.text);
        ThrowServiceError(outcome.failure == platform::ServiceFailure::Denied
                              ? "Error opening Service Control Manager."
                              : "Error creating the service %s.",
                          name_, outcome);
    }
    LogEvent(serviceevent::kInstalled, name_);
}

void CNTService::Uninstall() {
    platform::ServiceOutcome outcome = platform::UninstallService(name_);
    if (!outcome.Ok()) {
        LogEvent(serviceevent::kRemoveFailed, outcome.text);
        ThrowServiceError(outcome.failure == platform::ServiceFailure::NotInstalled
                              ? "Error opening the service %s."
                              : "Error deleting the service %s.",
                          name_, outcome);
    }
    LogEvent(serviceevent::kRemoved, name_);
}

void CNTService::Start() {
    platform::ServiceOutcome outcome = platform::StartService(name_);
    if (outcome.failure == platform::ServiceFailure::NotInstalled)
        ThrowServiceError("Error opening the service %s.", name_, outcome);
    if (!outcome.Ok())
        ThrowServiceError("Error starting the service %s.", name_, outcome);
}

void CNTService::Stop() {
    platform::ServiceOutcome outcome = platform::StopService(name_);
    if (outcome.failure == platform::ServiceFailure::NotInstalled)
        ThrowServiceError("Error opening the service %s.", name_, outcome);
    if (!outcome.Ok())
        ThrowServiceError("Error stopping the service %s.", name_, outcome);
}

unsigned long CNTService::StatusHandle() const {
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(link_.get()));
}

void CNTService::SetStatus(std::uint32_t state) {
    std::lock_guard<std::mutex> lock(statusMutex_);
    DebugMsg("CNTService::SetStatus(%lu, %lu)", StatusHandle(), static_cast<unsigned long>(state));
    status_.currentState = state;
    if (link_)
        link_->Report(state);
}

ServiceStatusRecord CNTService::Status() const {
    std::lock_guard<std::mutex> lock(statusMutex_);
    return status_;
}

void CNTService::ServiceMain() {
    DebugMsg("Entering CNTService::ServiceMain()");
    {
        std::lock_guard<std::mutex> lock(statusMutex_);
        status_.currentState = servicestate::kStartPending;
    }
    int error = 0;
    std::unique_ptr<platform::ServiceStatusLink> link =
        platform::ServiceStatusLink::Open(name_, error);
    if (!link) {
        LogError("CNTService::ServiceMain: no status link for the service %s (error %d)",
                 name_.c_str(), error);
        LogEvent(serviceevent::kCtrlHandlerNotInstalled,
                 error == EEXIST ? "the service runs already" : "");
        DebugMsg("Leaving CNTService::ServiceMain()");
        return;
    }
    {
        std::lock_guard<std::mutex> lock(statusMutex_);
        link_ = std::move(link);
    }
    bool initialized = Initialize();
    if (initialized) {
        // A stop that came during the start-up is not forgotten.
        running_ = !stopRequested_.load();
        {
            std::lock_guard<std::mutex> lock(statusMutex_);
            status_.exitCode = 0;
        }
        Run();
    } else {
        LogEvent(serviceevent::kFailedInit);
    }
    SetStatus(servicestate::kStopped);
    {
        std::lock_guard<std::mutex> lock(statusMutex_);
        link_.reset();
    }
    DebugMsg("Leaving CNTService::ServiceMain()");
}

bool CNTService::Initialize() {
    DebugMsg("Entering CNTService::Initialize()");
    SetStatus(servicestate::kStartPending);
    bool ok = OnInit();
    {
        std::lock_guard<std::mutex> lock(statusMutex_);
        status_.exitCode = ok ? 0 : 1;
        status_.checkPoint = 0;
        status_.waitHint = 0;
    }
    if (!ok) {
        LogEvent(serviceevent::kInitFailed);
        SetStatus(servicestate::kStopped);
        return false;
    }
    LogEvent(serviceevent::kInitialized);
    if (!readyFromRun_)
        SetStatus(servicestate::kRunning);
    DebugMsg("Leaving CNTService::Initialize()");
    return true;
}

void CNTService::ReportRunning() {
    // A stop that came while the work was set up stays reported.
    if (!stopRequested_.load())
        SetStatus(servicestate::kRunning);
}

void CNTService::SetExitCode(std::uint32_t code) {
    std::lock_guard<std::mutex> lock(statusMutex_);
    status_.exitCode = code;
}

void CNTService::Handler(std::uint32_t code) {
    DebugMsg("CNTService::Handler(%lu)", static_cast<unsigned long>(code));
    switch (code) {
    case servicecontrol::kStop:
        // Reported before the service thread may learn of the stop and end.
        SetStatus(servicestate::kStopPending);
        stopRequested_ = true;
        OnStop();
        SetStatus(servicestate::kStopped);
        running_ = false;
        WakeRun();
        LogEvent(serviceevent::kStopped);
        break;
    case servicecontrol::kPause:
        OnPause();
        break;
    case servicecontrol::kContinue:
        OnContinue();
        break;
    case servicecontrol::kInterrogate:
        OnInterrogate();
        break;
    case servicecontrol::kShutdown:
        OnShutdown();
        break;
    default:
        if (code < servicecontrol::kFirstUser || !OnUserControl(code))
            LogEvent(serviceevent::kBadRequest, std::to_string(code));
        break;
    }
    std::lock_guard<std::mutex> lock(statusMutex_);
    DebugMsg("Updating status (%lu, %lu)", StatusHandle(),
             static_cast<unsigned long>(status_.currentState));
    if (link_)
        link_->Report(status_.currentState);
}

void CNTService::WakeRun() {
    std::lock_guard<std::mutex> lock(wakeMutex_);
    wake_.notify_all();
}

void CNTService::Run() {
    DebugMsg("Entering CNTService::Run()");
    std::unique_lock<std::mutex> lock(wakeMutex_);
    while (running_) {
        DebugMsg("Sleeping...");
        wake_.wait_for(lock, std::chrono::milliseconds(kRunSleepMs),
                       [this] { return !running_.load(); });
    }
    DebugMsg("Leaving CNTService::Run()");
}

bool CNTService::OnInit() {
    DebugMsg("CNTService::OnInit()");
    return true;
}

void CNTService::OnStop() {
    DebugMsg("CNTService::OnStop()");
}

void CNTService::OnInterrogate() {
    DebugMsg("CNTService::OnInterrogate()");
}

void CNTService::OnPause() {
    DebugMsg("CNTService::OnPause()");
}

void CNTService::OnContinue() {
    DebugMsg("CNTService::OnContinue()");
}

void CNTService::OnShutdown() {
    DebugMsg("CNTService::OnShutdown()");
}

bool CNTService::OnUserControl(std::uint32_t code) {
    DebugMsg("CNTService::OnUserControl(%8.8lXH)", static_cast<unsigned long>(code));
    return false;
}
