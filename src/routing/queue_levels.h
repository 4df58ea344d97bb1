// How full an output queue was, block by block: a histogram in whole milliseconds that the
// engine thread fills without locks and any thread can read. The voice server logs its summary
// when an output closes, so that the latency its queue added can be read from the log.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

struct QueueLevelSummary {
    std::uint32_t blocks = 0; // blocks recorded
    std::uint32_t minMs = 0;
    std::uint32_t medianMs = 0;
    std::uint32_t maxMs = 0;
};

class QueueLevels {
public:
    // Levels of a second or more are counted as kTopMs.
    static constexpr std::uint32_t kTopMs = 1000;

    // Counts one block that found samples queued at 44100 Hz. Engine thread; real-time safe.
    void Record(std::uint32_t samples);
    // Forgets every block. Any thread (blocks recorded meanwhile may be kept or not).
    void Clear();
    // Smallest, middle and largest level recorded; all 0 when no block was. Any thread.
    QueueLevelSummary Summarize() const;

private:
    std::array<std::atomic<std::uint32_t>, kTopMs + 1> counts_{};
};
