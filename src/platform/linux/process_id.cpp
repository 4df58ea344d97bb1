#include "platform/process_id.h"

#include <unistd.h>

namespace platform {

std::uint32_t CurrentProcessId() {
    return static_cast<std::uint32_t>(getpid());
}

} // namespace platform
