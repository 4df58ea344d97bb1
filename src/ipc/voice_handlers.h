// The voice server's command handlers, one per command of the protocol, as the command table
// calls them. The voice server implements this interface; tests use a recording fake.
// SrvGetErrors returns the load errors and empties the list; EmoticsStatus returns one flag
// per fun slot (kFunSlots), true while the slot plays.
#pragma once

#include "ipc/pnipc_cmds.h"

class VoiceServerHandlers {
public:
    virtual ~VoiceServerHandlers() = default;

#define VOXWARP_IPC_HANDLER(name, code, answer, log, params, args)                                 \
    virtual IpcAnswer##answer name params = 0;
    VOXWARP_IPC_COMMANDS(VOXWARP_IPC_HANDLER)
#undef VOXWARP_IPC_HANDLER
};
