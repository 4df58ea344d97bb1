// The server's handling of one request: the command table and the step that runs the entry
// of the request's code over the payload and builds the answer header.
#pragma once

#include <cstdint>
#include <span>

#include "ipc/ipc_payload.h"

class VoiceServerHandlers;

// Reads the request fields from the payload, calls the handler, writes the answer fields.
using IpcStub = void (*)(IpcPayload& payload, VoiceServerHandlers& handlers);

// One entry of a command table: the stub and the code it serves.
struct IpcCommand {
    IpcStub stub;
    std::uint32_t code;
};

// Runs the first entry of table whose code is the request's code and returns the answer
// header: the request's header marked answered, and handled when an entry ran. A request
// without entry is answered with handled = 0 and its payload unchanged. Both positions start
// at 0; the payload size is the request's until the answer writes more.
IpcHeader RunIpcCommand(IpcPayload& payload, std::span<const IpcCommand> table,
                        VoiceServerHandlers& handlers);
