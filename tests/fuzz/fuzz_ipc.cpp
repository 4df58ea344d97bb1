// One request of the command channel from any bytes: the header and the payload as another
// process may have left them in the shared block, run through the server's command table.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ipc/ipc_command.h"
#include "ipc/ipc_payload.h"
#include "ipc/pnipc_srv.h"
#include "recording_handlers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A block exactly as large as the bytes (at least a header), so that the sanitizer sees
    // any step past it; the stored payload size is whatever the bytes say.
    std::vector<std::uint8_t> block(std::max<std::size_t>(size, kIpcPayloadOffset), 0);
    if (size != 0)
        std::memcpy(block.data(), data, size);
    IpcPayload payload;
    if (!payload.Attach(block))
        return 0;
    RecordingHandlers handlers;
    RunIpcCommand(payload, ServerCommandTable(), handlers);
    return 0;
}
