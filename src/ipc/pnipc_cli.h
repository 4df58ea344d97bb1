// The client side of the command protocol: one method per command of the protocol, named as
// the command. Each returns true when the server answered in time; answering commands append
// what the server answered to the list passed last (SrvGetErrors: the load errors;
// EmoticsStatus: one flag per fun slot, true while it plays).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ipc/pnipc_cmds.h"

class IPC;

class PnIpcCli {
public:
    // channel: an open client channel, owned by the caller.
    explicit PnIpcCli(IPC* channel) : channel_(channel) {}

    // Any thread; blocks until the server answered (at most the channel's time-out).
#define VOXWARP_IPC_CLIENT_METHOD(name, code, answer, log, params, args)                           \
    bool name VOXWARP_IPC_CLIENT_PARAMS(answer, params);
    VOXWARP_IPC_COMMANDS(VOXWARP_IPC_CLIENT_METHOD)
#undef VOXWARP_IPC_CLIENT_METHOD

private:
    IPC* channel_;
};
