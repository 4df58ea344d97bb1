// Tests that drive a running control panel from outside, as an assistive tool does: the
// private X server (scripts/x-test-server.sh) and accessibility session
// (scripts/a11y-session.sh) for this process and the programs it starts, and the calls of
// tests/support/atspi_drive.py, each one action found by accessible name (and role name).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

struct DriveOutcome {
    int code = -1;   // 0 done, 1 not found in time, 2 wrong use, 3 the control cannot do it
    std::string out; // standard output
    std::string err; // standard error: why it failed
};

// Points DISPLAY, XAUTHORITY and the accessibility session's settings of this process at the
// sessions started in xDir and a11yDir (their scripts' "env"). False with the reason in error
// when either does not run.
bool UseA11ySession(const std::string& xDir, const std::string& a11yDir, std::string& error);
// Points DISPLAY and XAUTHORITY alone at the private X server started in xDir.
bool UseXTestServer(const std::string& xDir, std::string& error);

// One driver call a method; the role is an AT-SPI role name ("push button", "page tab"), empty
// for any.
class AtspiDriver {
public:
    explicit AtspiDriver(std::string app = "Voxwarp", double timeoutSeconds = 10);

    // Until the control shows, with the state when one is given ("!checked": without it).
    DriveOutcome Wait(const std::string& name, const std::string& role = "",
                      const std::string& state = "") const;
    DriveOutcome Press(const std::string& name, const std::string& role = "") const;
    // A real pointer click at the control's middle (XTEST): reaches handlers of clicked, which
    // Qt's toggle action for checkable buttons does not emit.
    DriveOutcome Click(const std::string& name, const std::string& role = "") const;
    DriveOutcome Toggle(const std::string& name, const std::string& role = "") const;
    // The states, e.g. "checked enabled focusable ...".
    DriveOutcome State(const std::string& name, const std::string& role = "") const;
    DriveOutcome Value(const std::string& name) const;
    DriveOutcome SetValue(const std::string& name, double value) const;
    // The accessible name and the text content, one a line.
    DriveOutcome Text(const std::string& name) const;
    // The children's names, one a line.
    DriveOutcome Children(const std::string& name, const std::string& role = "") const;
    DriveOutcome Select(const std::string& list, const std::string& item) const;
    // The texts of the dialog or message box titled title, one a line.
    DriveOutcome DialogText(const std::string& title) const;
    // The application's tree with roles, names and states, for a failure's report.
    DriveOutcome Dump() const;

    // The driver with any arguments after --app and --timeout.
    DriveOutcome Run(const std::vector<std::string>& args) const;

private:
    std::string app_;
    double timeoutSeconds_;
};

// The built control panel started with arguments in this process's environment; killed when the
// object goes unless it has ended.
class ControlPanelProcess {
public:
    explicit ControlPanelProcess(const std::vector<std::string>& args = {});
    ~ControlPanelProcess();
    ControlPanelProcess(const ControlPanelProcess&) = delete;
    ControlPanelProcess& operator=(const ControlPanelProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    // Its exit code once it ended within timeoutMs (see WaitChild).
    int Wait(int timeoutMs);

private:
    pid_t pid_ = -1;
};

} // namespace testsupport
