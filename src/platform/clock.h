// Local time and thread identity, as log lines and banners show them.
#pragma once

#include <cstdint>

namespace platform {

struct LocalTime {
    int year = 0;  // four digits
    int month = 0; // 1..12
    int day = 0;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

LocalTime NowLocal();

// The kernel's identifier of the calling thread.
std::uint64_t CurrentThreadId();

} // namespace platform
