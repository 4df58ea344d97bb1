// Child processes for tests that need more than one process: the test binary starts itself
// again with "--voxwarp-child=NAME" and runs the function registered under NAME.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

using ChildMain = int (*)(const std::vector<std::string>& args);

struct ChildRegistrar {
    ChildRegistrar(const char* name, ChildMain fn);
};

// Starts the registered child NAME with the given arguments; returns its pid.
pid_t SpawnChild(const std::string& name, const std::vector<std::string>& args = {});

// Waits for the child; returns its exit code, or 128 + signal when a signal ended it, or -1
// when it did not end within timeoutMs (the child is then killed).
int WaitChild(pid_t pid, int timeoutMs = 60000);

// Runs a registered child when argv asks for one. Returns true and sets exitCode then.
bool RunChildIfRequested(int argc, char** argv, int& exitCode);

// Runs a shell command line; its exit code (-1 when it did not exit), and what it printed on
// standard output when output is given.
int RunShell(const std::string& commandLine, std::string* output = nullptr);

} // namespace testsupport

#define VOXWARP_TEST_CHILD(name)                                                                   \
    static int name##_ChildMain(const std::vector<std::string>& args);                             \
    static const testsupport::ChildRegistrar name##_registrar(#name, name##_ChildMain);            \
    static int name##_ChildMain([[maybe_unused]] const std::vector<std::string>& args)
