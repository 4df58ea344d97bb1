// One run of voxwarpctl: parse the command line, connect to the voice server, send the
// command, print the answer. The connection is passed in, so that all of it runs in tests
// without a server.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "config/config.h"

class IPC;

namespace voxwarpctl {

constexpr int kExitDone = 0;
constexpr int kExitNoServer = 1; // not running, or no answer
constexpr int kExitBadArgs = 2;

class CtlConnector {
public:
    virtual ~CtlConnector() = default;
    // Opens the client channel with the given base; nullptr when the voice server does not run.
    virtual std::unique_ptr<IPC> Connect(const std::string& base);
};

// args: the arguments after the program name; config: the program folder's configuration, where
// the commands that change the voice server's choices keep them. Answers go to out, messages to
// err. Returns the exit code. Bad arguments are refused before anything is connected or sent.
int RunCtl(const std::vector<std::string>& args, CtlConnector& connector, AppConfig& config,
           std::ostream& out, std::ostream& err);

} // namespace voxwarpctl
