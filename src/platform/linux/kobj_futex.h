// Sleeping on words of shared memory (futexes), with deadlines on the monotonic clock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace platform::kobj {

struct FutexExpectation {
    const std::uint32_t* word = nullptr;
    std::uint32_t expected = 0;
};

// The monotonic clock now, and a deadline some milliseconds later.
timespec MonotonicNow();
timespec MonotonicAfter(const timespec& from, std::uint64_t ms);
bool Reached(const timespec& now, const timespec& deadline);
const timespec& EarlierOf(const timespec& a, const timespec& b);

// Sleeps while *word holds expected, until woken or the deadline (may return early).
void FutexWait(const std::uint32_t* word, std::uint32_t expected, const timespec& deadline);

// Sleeps while every word holds its expected value, until one of them is woken or the
// deadline. False when the kernel cannot wait on several words (then nothing was waited).
bool FutexWaitAny(const FutexExpectation* words, std::size_t count, const timespec& deadline);

// Wakes every thread sleeping on the word, in any process.
void FutexWakeAll(const std::uint32_t* word);

} // namespace platform::kobj
