#include "ipc/ipc_command.h"

#include <exception>

#include "base/mlog.h"

IpcHeader RunIpcCommand(IpcPayload& payload, std::span<const IpcCommand> table,
                        VoiceServerHandlers& handlers) {
    payload.Rewind();
    IpcHeader header = payload.ReadHeader();
    header.SetAnswered(true);
    for (const IpcCommand& entry : table) {
        if (entry.code != header.Code())
            continue;
        LogNote("Ipc stub code: %u", entry.code);
        // A handler that fails must not end the server's command loop; the client still gets
        // its answer, marked as not handled.
        try {
            entry.stub(payload, handlers);
            header.SetHandled(true);
        } catch (const std::exception& e) {
            LogException("Ipc stub code %u: %s", entry.code, e.what());
        }
        break;
    }
    return header;
}
