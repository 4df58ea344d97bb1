#include "platform/clock.h"

#include <ctime>
#include <unistd.h>

namespace platform {

LocalTime NowLocal() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::uint64_t CurrentThreadId() {
    return static_cast<std::uint64_t>(gettid());
}

} // namespace platform
