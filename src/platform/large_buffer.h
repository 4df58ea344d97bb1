// Hints for large buffers that are about to be filled, such as whole sounds.
#pragma once

#include <cstddef>

namespace platform {

// Asks the system to back the not yet touched memory [data, data + size) with large pages
// where it can, so that filling it costs a few page faults instead of one per 4 KiB. A hint
// only: nothing changes when the system does not follow it.
void AdviseLargeBuffer(void* data, std::size_t size);

} // namespace platform
