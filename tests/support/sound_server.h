// The private sound server of the tests that need real audio (scripts/pulse-test-server.sh):
// started on first use when CTest has not started it, and reached through PULSE_SERVER.
#pragma once

#include <string>

namespace testsupport {

// Starts the private server when it does not answer and points this process (and the programs
// it starts) at it. Returns its folder; throws when it cannot be started.
std::string UsePrivateSoundServer();

// Runs a shell command line with the private server's environment; its exit code, and what it
// printed on standard output when output is given.
int RunWithSoundServer(const std::string& commandLine, std::string* output = nullptr);

} // namespace testsupport
