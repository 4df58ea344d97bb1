#include "platform/system_error.h"

#include <cstring>

namespace platform {

const char* SystemErrorDescription(std::uint32_t code) {
    if (code > 0x7FFFFFFFu)
        return nullptr;
    // Unlike strerror, this tells an unknown code apart and is thread-safe.
    return strerrordesc_np(static_cast<int>(code));
}

} // namespace platform
