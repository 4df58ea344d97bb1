// The identity of the calling process, as the command channel's message header carries it.
#pragma once

#include <cstdint>

namespace platform {

// The kernel's identifier of the calling process.
std::uint32_t CurrentProcessId();

} // namespace platform
