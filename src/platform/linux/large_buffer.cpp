#include "platform/large_buffer.h"

#include <cstdint>
#include <sys/mman.h>

namespace platform {

namespace {

// Transparent huge pages are 2 MiB on the common architectures; smaller buffers gain nothing.
constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

} // namespace

void AdviseLargeBuffer(void* data, std::size_t size) {
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (begin + size) & ~(kHugePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

} // namespace platform
