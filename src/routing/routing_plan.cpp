#include "routing/routing_plan.h"

#include <algorithm>

namespace {
constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kMaxBufferMsForConfiguredCount = 150;
constexpr std::uint32_t kLongBufferCount = 10;
// The settler's window: a second of blocks, at least this many.
constexpr std::uint32_t kSettleMinBlocks = 8;
} // namespace

RoutingLayout ComputeRoutingLayout(std::uint16_t bufferMs, std::uint32_t queueHighMs) {
    RoutingLayout layout;
    layout.blockSamples = static_cast<std::uint32_t>(bufferMs) * kRate / 1000;
    layout.queueHigh = static_cast<std::uint32_t>(std::uint64_t{queueHighMs} * kRate / 1000);
    layout.queueLow = static_cast<std::uint32_t>(static_cast<float>(layout.blockSamples) * 3.0f);
    if (layout.queueLow > layout.queueHigh) {
        // A top below the bottom (input buffers longer than 50 ms at the default top): the upper
        // threshold moves well above the lower one.
        layout.queueHigh = (layout.queueLow + bufferMs) * kRate / 1000;
    }
    const std::uint32_t fromLow = 4 * layout.queueLow;
    const std::uint32_t fromBlock = 2 * layout.blockSamples;
    layout.workBytes = fromLow > fromBlock ? fromLow : fromBlock;
    layout.workMs =
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(layout.workBytes / 2) * 1000 / kRate);
    return layout;
}

std::uint32_t OutputBufferCount(const RoutingLayout& layout, std::uint32_t configured) {
    return layout.workMs > kMaxBufferMsForConfiguredCount ? kLongBufferCount : configured;
}

OutputDecision DecideOutput(const RoutingLayout& layout, std::uint32_t queuedSamples,
                            std::uint32_t queuedBuffers, std::uint32_t& overruns) {
    if (queuedSamples > layout.queueHigh && queuedBuffers > 1) {
        if (overruns < 3) {
            ++overruns;
            return {OutputAction::Stretch, layout.queueHigh};
        }
        overruns = 1;
        return {OutputAction::Drop, 0};
    }
    if (queuedSamples < layout.queueLow) {
        return {OutputAction::Stretch, layout.queueLow};
    }
    overruns = 0;
    return {OutputAction::Keep, 0};
}

void QueueSettler::Reset() {
    seen_ = 0;
    lowest_ = ~0u;
    excess_ = 0;
}

std::uint32_t QueueSettler::Observe(const RoutingLayout& layout, std::uint32_t queuedSamples) {
    if (layout.blockSamples == 0)
        return 0;
    lowest_ = std::min(lowest_, queuedSamples);
    const std::uint32_t window =
        std::max<std::uint32_t>(kSettleMinBlocks, kRate / layout.blockSamples);
    if (++seen_ >= window) {
        // What is still to take out is measured anew: the lowest level of the window includes it.
        excess_ = lowest_ >= layout.queueLow + layout.blockSamples
                      ? lowest_ - layout.queueLow - layout.blockSamples / 2
                      : 0;
        seen_ = 0;
        lowest_ = ~0u;
    }
    // Never below the bottom of the band within this block.
    const std::uint32_t above =
        queuedSamples > layout.queueLow ? queuedSamples - layout.queueLow : 0;
    return std::min(excess_, above);
}

void QueueSettler::Removed(std::uint32_t removed) {
    excess_ -= std::min(excess_, removed);
}
