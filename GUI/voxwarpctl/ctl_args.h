// voxwarpctl's command line: options, the command and its arguments checked and converted to
// the protocol's values. Nothing here talks to the server.
#pragma once

#include <string>
#include <vector>

#include "ctl_commands.h"
#include "ipc/ipc.h"

namespace voxwarpctl {

struct CtlInvocation {
    enum class Kind { Help, Send, Invalid };
    Kind kind = Kind::Invalid;
    // Channel base; "--base NAME" (not listed in the help) points voxwarpctl at another server.
    std::string base = kIpcBaseName;
    const CtlCommand* command = nullptr; // Send
    CtlValues values;                    // Send: one per argument of the command
    std::string error;                   // Invalid: what is wrong, for the user
};

// Parses the arguments that follow the program name.
CtlInvocation ParseCtlArgs(const std::vector<std::string>& args);

} // namespace voxwarpctl
