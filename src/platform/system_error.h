// The system's own description of an error code.
#pragma once

#include <cstdint>

namespace platform {

// The description of a system error code (errno value), or nullptr when the system has none.
const char* SystemErrorDescription(std::uint32_t code);

} // namespace platform
