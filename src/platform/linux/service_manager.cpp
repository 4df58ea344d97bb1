// Service management on Linux: a systemd user unit, run by the user's service manager when
// `systemctl --user` reaches one, otherwise by the detached start of the fallback. The unit file
// is written and removed in both cases, so that a later session with a service manager finds
// the service installed and enabled.
#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "platform/linux/service_manager_linux.h"

namespace platform {
namespace {

using namespace servicelinux;

constexpr std::size_t kMaxUnitBytes = 64 * 1024;

// The variables of this session that the service needs to reach what this session reaches: the
// program folder, the sound server, the name space of the kernel objects.
constexpr const char* kPassedVariables[] = {"VOXWARP_HOME", "PULSE_SERVER",
                                            "VOXWARP_KOBJECT_NAMESPACE"};

UnitEnvironment PassedEnvironment() {
    UnitEnvironment environment;
    for (const char* name : kPassedVariables) {
        if (const char* value = std::getenv(name); value && *value)
            environment.emplace_back(name, value);
    }
    return environment;
}

// Why the service manager would not run the unit as written; empty when it would.
std::string UnitProblem(const ServiceDefinition& definition, const UnitEnvironment& environment) {
    if (std::string problem = ProgramPathProblem(definition.program); !problem.empty())
        return problem;
    for (const auto& [name, value] : environment) {
        if (std::string problem = EnvironmentProblem(name, value); !problem.empty())
            return problem;
    }
    return {};
}

// A failed change of the user's unit folder.
ServiceOutcome FileFailure(int error) {
    bool denied = error == EACCES || error == EPERM || error == EROFS;
    return MakeFailure(denied ? ServiceFailure::Denied : ServiceFailure::Failed, error);
}

ServiceOutcome SystemctlFailure(int status, const std::string& output) {
    if (status < 0)
        return MakeFailure(ServiceFailure::Failed, errno);
    std::string text =
        output.empty() ? "systemctl ended with status " + std::to_string(status) : output;
    return MakeFailure(ServiceFailure::Failed, 0, text);
}

std::string UnitName(const std::string& name) {
    return name + ".service";
}

int MakeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            return errno;
    }
    return 0;
}

// Enables the unit for the next session with a service manager, as `systemctl enable` would.
void LinkWantedBy(const std::string& name) {
    std::string link = WantsLinkPath(name);
    if (MakeFolders(link.substr(0, link.rfind('/') + 1)) == 0) {
        unlink(link.c_str());
        [[maybe_unused]] int rc = symlink(UnitPath(name).c_str(), link.c_str());
    }
}

// The command of the unit, checked to be an absolute program path.
ServiceOutcome UnitCommand(const std::string& name, std::vector<std::string>& command) {
    if (!IsValidServiceName(name))
        return MakeFailure(ServiceFailure::NotInstalled, EINVAL);
    std::string text;
    int error = ReadWholeFile(UnitPath(name), text, kMaxUnitBytes);
    if (error == ENOENT)
        return MakeFailure(ServiceFailure::NotInstalled, error);
    if (error != 0)
        return MakeFailure(ServiceFailure::Failed, error);
    if (!ParseExecStart(text, command) || command[0].empty() || command[0][0] != '/')
        return MakeFailure(ServiceFailure::Failed, EINVAL,
                           "The unit file " + UnitPath(name) + " has no valid ExecStart line.");
    return {};
}

} // namespace

bool IsServiceInstalled(const std::string& name) {
    struct stat info {};
    return IsValidServiceName(name) && stat(UnitPath(name).c_str(), &info) == 0 &&
           S_ISREG(info.st_mode);
}

ServiceOutcome InstallService(const ServiceDefinition& definition) {
    if (!IsValidServiceName(definition.name) || definition.program.empty() ||
        definition.program[0] != '/')
        return MakeFailure(ServiceFailure::Failed, EINVAL);
    UnitEnvironment environment = PassedEnvironment();
    // Without a service manager the fallback runs the command as it is; a manager would refuse
    // it, so nothing is installed that it could not start.
    bool manager = UserManagerAnswers();
    if (std::string problem = UnitProblem(definition, environment); manager && !problem.empty())
        return MakeFailure(ServiceFailure::Failed, EINVAL, problem);
    if (int error = MakeFolders(UnitFolder()); error != 0)
        return FileFailure(error);
    std::string unit = RenderUnit(definition, environment);
    if (int error = WriteWholeFileAtomic(UnitPath(definition.name), unit); error != 0)
        return FileFailure(error);
    if (!manager) {
        LinkWantedBy(definition.name);
        return {};
    }
    std::string output;
    int status = RunSystemctl({"daemon-reload"}, output);
    if (status == 0)
        status = RunSystemctl({"enable", UnitName(definition.name)}, output);
    return status == 0 ? ServiceOutcome{} : SystemctlFailure(status, output);
}

ServiceOutcome UninstallService(const std::string& name) {
    if (!IsServiceInstalled(name))
        return MakeFailure(ServiceFailure::NotInstalled, ENOENT);
    bool manager = UserManagerAnswers();
    std::string output;
    // The stop's outcome does not keep the service from being removed.
    if (manager) {
        RunSystemctl({"stop", UnitName(name)}, output);
        RunSystemctl({"disable", UnitName(name)}, output);
    } else if (std::vector<std::string> command; UnitCommand(name, command).Ok()) {
        FallbackStop(name, command[0]);
    }
    if (unlink(WantsLinkPath(name).c_str()) != 0 && errno != ENOENT)
        return FileFailure(errno);
    if (unlink(UnitPath(name).c_str()) != 0)
        return FileFailure(errno);
    if (manager) {
        RunSystemctl({"daemon-reload"}, output);
        // A service that failed stays listed in that state until this; a unit that is gone
        // already ("not loaded") is no failure of the uninstall.
        RunSystemctl({"reset-failed", UnitName(name)}, output);
    }
    return {};
}

ServiceOutcome StartService(const std::string& name) {
    std::vector<std::string> command;
    if (ServiceOutcome outcome = UnitCommand(name, command); !outcome.Ok())
        return outcome;
    if (!UserManagerAnswers())
        return FallbackStart(name, command);
    // systemctl waits for the service's READY=1 as long as the unit's TimeoutStartSec, which is
    // kServiceWaitMs; a start that took longer has the result "timeout".
    std::string output;
    int status = RunSystemctl({"start", UnitName(name)}, output);
    if (status == 0)
        return {};
    ServiceOutcome outcome = SystemctlFailure(status, output);
    std::string result;
    if (status > 0 &&
        RunSystemctl({"show", "--property=Result", "--value", UnitName(name)}, result) == 0 &&
        result == "timeout")
        outcome.failure = ServiceFailure::Unresponsive;
    return outcome;
}

ServiceOutcome StopService(const std::string& name) {
    std::vector<std::string> command;
    if (ServiceOutcome outcome = UnitCommand(name, command); !outcome.Ok())
        return outcome;
    if (!UserManagerAnswers())
        return FallbackStop(name, command[0]);
    std::string output;
    int status = RunSystemctl({"stop", UnitName(name)}, output);
    return status == 0 ? ServiceOutcome{} : SystemctlFailure(status, output);
}

ServiceOutcome QueryServiceState(const std::string& name, std::uint32_t& state) {
    state = kServiceStopped;
    std::vector<std::string> command;
    if (ServiceOutcome outcome = UnitCommand(name, command); !outcome.Ok())
        return outcome;
    if (!UserManagerAnswers()) {
        pid_t pid = 0;
        return FallbackState(name, command[0], state, pid);
    }
    std::string output;
    int status =
        RunSystemctl({"show", "--property=ActiveState", "--value", UnitName(name)}, output);
    if (status != 0)
        return SystemctlFailure(status, output);
    if (output == "active" || output == "reloading")
        state = kServiceRunning;
    else if (output == "activating")
        state = kServiceStartPending;
    else if (output == "deactivating")
        state = kServiceStopPending;
    return {};
}

ServiceOutcome QueryServiceCommand(const std::string& name, std::vector<std::string>& command) {
    return UnitCommand(name, command);
}

} // namespace platform
