// The pieces of the service layer on Linux: systemd user units and `systemctl --user`, and the
// start without a service manager (a detached process that keeps a pid file).
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

#include "platform/service_manager.h"

namespace platform::servicelinux {

// A failed outcome; without a text, the system's description of error.
ServiceOutcome MakeFailure(ServiceFailure failure, int error, std::string text = {});

// Unit files.

// A name that is safe in a file name and a unit name.
bool IsValidServiceName(const std::string& name);
// The user's unit folder, ~/.config/systemd/user/ (after $XDG_CONFIG_HOME), ending in '/'.
std::string UnitFolder();
std::string UnitPath(const std::string& name);
// The link that enables the unit for the user's session, in default.target.wants/.
std::string WantsLinkPath(const std::string& name);
// One argument of ExecStart in systemd's quoting.
std::string QuoteExecWord(const std::string& word);
// The executable path of ExecStart, where systemd expands no variables and so takes '$' as it
// is; the path must have passed ProgramPathProblem.
std::string QuoteExecPath(const std::string& path);
// The same for settings where '$' names no variable (Environment=, the executable path):
// variables false.
std::string QuoteWord(const std::string& word, bool variables);
// Why systemd would refuse the program path in ExecStart (a control character or a backslash);
// empty when it takes it.
std::string ProgramPathProblem(const std::string& path);
// Why systemd would drop the setting NAME=value from Environment= (a control character, not
// UTF-8); empty when it takes it.
std::string EnvironmentProblem(const std::string& name, const std::string& value);
// Variables the unit passes on to the service, in this order.
using UnitEnvironment = std::vector<std::pair<std::string, std::string>>;
// The unit file of a service.
std::string RenderUnit(const ServiceDefinition& definition, const UnitEnvironment& environment);
// The words of the first ExecStart of the unit's [Service] section. False when it has none or
// when its quoting is broken.
bool ParseExecStart(const std::string& unitText, std::vector<std::string>& words);

// The user's service manager.

// True when `systemctl --user` reaches a service manager.
bool UserManagerAnswers();
// Runs `systemctl --user ARGS...`; output receives what it wrote (stdout and stderr, trimmed).
// Returns its exit status, or -1 with errno set when it could not be started.
int RunSystemctl(const std::vector<std::string>& args, std::string& output);

// Processes and the pid file of a service started without a service manager.

struct PidFileContent {
    pid_t pid = 0;
    std::uint32_t state = kServiceRunning;
};

// The folder of pid files, created owner-only when missing: $XDG_RUNTIME_DIR/voxwarp/, or
// /tmp/voxwarp-<uid>/ without $XDG_RUNTIME_DIR. Empty with error set when it cannot be used
// safely (not a folder, someone else's, writable by others).
std::string RuntimeFolder(int& error);
// RuntimeFolder() + name + ".pid"; empty with error set when the folder cannot be used.
std::string PidFilePath(const std::string& name, int& error);
// "PID\nSTATE\n"; false when the file is missing or does not hold a valid pid.
bool ReadPidFile(const std::string& path, PidFileContent& content);
int WritePidFile(const std::string& path, const PidFileContent& content);
// Removes the pid file when it still names pid.
void RemovePidFileOf(const std::string& path, pid_t pid);
// True while the process exists and has not ended (a zombie has ended).
bool ProcessAlive(pid_t pid);
// True when the process runs the program file at program (symbolic links resolved; a file
// replaced since the process started counts as the same).
bool ProcessRunsProgram(pid_t pid, const std::string& program);

// The fallback's management operations, on the command of the installed unit.
ServiceOutcome FallbackState(const std::string& name, const std::string& program,
                             std::uint32_t& state, pid_t& pid);
ServiceOutcome FallbackStart(const std::string& name, const std::vector<std::string>& command);
ServiceOutcome FallbackStop(const std::string& name, const std::string& program);

} // namespace platform::servicelinux
