#include "atspi_driver.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <utility>

#include "child_process.h"
#include "program_dir.h"
#include "pulse_test_util.h"
#include "temp_dir.h"

extern char** environ;

namespace testsupport {

namespace {

using pulsetest::ShellQuoted;

const std::string kSource = VOXWARP_SOURCE_DIR;

// Sets each KEY=VALUE line that a script's "env" prints; false when a required key is empty.
bool UseScriptEnv(const std::string& script, const std::string& dir, const std::string& required,
                  std::string& error) {
    std::string printed;
    const std::string command =
        ShellQuoted(kSource + "/scripts/" + script) + " env " + ShellQuoted(dir);
    if (RunShell(command, &printed) != 0) {
        error = command + " failed";
        return false;
    }
    std::istringstream lines(printed);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == required && value.empty()) {
            error = script + " does not run in " + dir;
            return false;
        }
        setenv(key.c_str(), value.c_str(), 1);
    }
    return true;
}

} // namespace

bool UseXTestServer(const std::string& xDir, std::string& error) {
    return UseScriptEnv("x-test-server.sh", xDir, "DISPLAY", error);
}

bool UseA11ySession(const std::string& xDir, const std::string& a11yDir, std::string& error) {
    return UseXTestServer(xDir, error) &&
           UseScriptEnv("a11y-session.sh", a11yDir, "DBUS_SESSION_BUS_ADDRESS", error);
}

AtspiDriver::AtspiDriver(std::string app, double timeoutSeconds)
    : app_(std::move(app)), timeoutSeconds_(timeoutSeconds) {}

DriveOutcome AtspiDriver::Run(const std::vector<std::string>& args) const {
    // The system Python: it has pyatspi, whatever python3 comes first on PATH.
    std::ostringstream command;
    command << "/usr/bin/python3 " << ShellQuoted(kSource + "/tests/support/atspi_drive.py")
            << " --app " << ShellQuoted(app_) << " --timeout " << timeoutSeconds_;
    for (const std::string& arg : args)
        command << ' ' << ShellQuoted(arg);
    TempDir errors;
    command << " 2>" << ShellQuoted(errors.File("err"));
    DriveOutcome outcome;
    outcome.code = RunShell(command.str(), &outcome.out);
    outcome.err = ReadFile(errors.File("err"));
    return outcome;
}

namespace {

std::vector<std::string> WithRole(std::vector<std::string> args, const std::string& role) {
    if (!role.empty())
        args.push_back(role);
    return args;
}

} // namespace

DriveOutcome AtspiDriver::Wait(const std::string& name, const std::string& role,
                               const std::string& state) const {
    std::vector<std::string> args = WithRole({"wait", name}, role);
    if (!state.empty())
        args.insert(args.end(), {"--state", state});
    return Run(args);
}
DriveOutcome AtspiDriver::Press(const std::string& name, const std::string& role) const {
    return Run(WithRole({"press", name}, role));
}
DriveOutcome AtspiDriver::Click(const std::string& name, const std::string& role) const {
    return Run(WithRole({"click", name}, role));
}
DriveOutcome AtspiDriver::Toggle(const std::string& name, const std::string& role) const {
    return Run(WithRole({"toggle", name}, role));
}
DriveOutcome AtspiDriver::State(const std::string& name, const std::string& role) const {
    return Run(WithRole({"state", name}, role));
}
DriveOutcome AtspiDriver::Value(const std::string& name) const {
    return Run({"value", name});
}
DriveOutcome AtspiDriver::SetValue(const std::string& name, double value) const {
    std::ostringstream text;
    text << value;
    return Run({"set-value", name, text.str()});
}
DriveOutcome AtspiDriver::Text(const std::string& name) const {
    return Run({"text", name});
}
DriveOutcome AtspiDriver::Children(const std::string& name, const std::string& role) const {
    return Run(WithRole({"children", name}, role));
}
DriveOutcome AtspiDriver::Select(const std::string& list, const std::string& item) const {
    return Run({"select", list, item});
}
DriveOutcome AtspiDriver::DialogText(const std::string& title) const {
    return Run({"dialog-text", title});
}
DriveOutcome AtspiDriver::Dump() const {
    return Run({"dump"});
}

ControlPanelProcess::ControlPanelProcess(const std::vector<std::string>& args) {
    const std::string program = ProgramDir() + "Voxwarp";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        pid_ = -1;
}

ControlPanelProcess::~ControlPanelProcess() {
    if (pid_ > 0 && kill(pid_, SIGKILL) == 0)
        waitpid(pid_, nullptr, 0);
}

int ControlPanelProcess::Wait(int timeoutMs) {
    const int code = WaitChild(pid_, timeoutMs);
    pid_ = -1;
    return code;
}

} // namespace testsupport
