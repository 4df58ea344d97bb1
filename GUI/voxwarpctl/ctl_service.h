// voxwarpctl's service commands, which manage the voice server's service and need no running
// voice server: "service install" installs it (or replaces it when the server program changed),
// "service start", "service stop", "service status" and "service uninstall".
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "config/config.h"
#include "service/service_control.h"

namespace voxwarpctl {

// A service operation failed; the message says why.
constexpr int kExitService = 5;

// True when word names the service commands ("service").
bool IsServiceCommand(const std::string& word);

// args: "service" and its verb. server is the program the service runs (install only); config
// names the program folder, where the installed version is kept. Returns the exit code.
int RunServiceCommand(const std::vector<std::string>& args, const ServerCommandLine& server,
                      AppConfig& config, std::ostream& out, std::ostream& err);

// The help lines of these commands, each "  USAGE<padding>DESCRIPTION\n", padded to column.
std::string ServiceCommandsHelp(std::size_t column);

// "stopped", "start pending", "stop pending", "running", or "state N".
std::string ServiceStateName(std::uint32_t state);

} // namespace voxwarpctl
