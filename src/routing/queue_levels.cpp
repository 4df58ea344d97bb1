#include "routing/queue_levels.h"

#include <algorithm>

void QueueLevels::Record(std::uint32_t samples) {
    const auto ms = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(std::uint64_t{samples} * 1000 / 44100, kTopMs));
    counts_[ms].fetch_add(1, std::memory_order_relaxed);
}

void QueueLevels::Clear() {
    for (auto& count : counts_)
        count.store(0, std::memory_order_relaxed);
}

QueueLevelSummary QueueLevels::Summarize() const {
    std::array<std::uint32_t, kTopMs + 1> counts;
    QueueLevelSummary summary;
    for (std::uint32_t ms = 0; ms <= kTopMs; ++ms) {
        counts[ms] = counts_[ms].load(std::memory_order_relaxed);
        summary.blocks += counts[ms];
    }
    if (summary.blocks == 0)
        return summary;
    bool first = true;
    std::uint32_t seen = 0;
    bool medianFound = false;
    for (std::uint32_t ms = 0; ms <= kTopMs; ++ms) {
        if (counts[ms] == 0)
            continue;
        if (first)
            summary.minMs = ms;
        first = false;
        summary.maxMs = ms;
        seen += counts[ms];
        if (!medianFound && 2 * seen > summary.blocks) {
            summary.medianMs = ms;
            medianFound = true;
        }
    }
    return summary;
}
