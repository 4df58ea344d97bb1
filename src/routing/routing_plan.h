// The arithmetic of the voice server's routing stream: the block size, queue thresholds and work
// buffers that follow from the input buffer length, and the per-block decision for an output
// whose queue has run too full or too empty.
#pragma once

#include <cstdint>

struct RoutingLayout {
    std::uint32_t blockSamples = 0; // samples of one captured block
    std::uint32_t queueLow = 0;     // samples: below this an output's queue is stretched up
    std::uint32_t queueHigh = 0;    // samples: above this it is stretched down or dropped
    std::uint32_t workBytes = 0;    // capacity of each work buffer
    std::uint32_t workMs = 0;       // that capacity as a duration, truncated
};

// The top of the output queue band unless configured ("queueHighMs" of the stream section).
constexpr std::uint32_t kDefaultQueueHighMs = 150;

// The layout for input buffers of bufferMs milliseconds at 44100 Hz, 16-bit mono, with the top of
// the band at queueHighMs; a top below the bottom (three blocks) is raised far above it.
RoutingLayout ComputeRoutingLayout(std::uint16_t bufferMs,
                                   std::uint32_t queueHighMs = kDefaultQueueHighMs);

// Buffers an output stream is opened with: outputs of more than 150 ms per buffer get 10.
std::uint32_t OutputBufferCount(const RoutingLayout& layout, std::uint32_t configured);

enum class OutputAction {
    Keep,    // in range: written as it is
    Stretch, // stretched toward target before it is written
    Drop,    // not written at all
};

struct OutputDecision {
    OutputAction action = OutputAction::Keep;
    std::uint32_t target = 0; // samples the queue is stretched toward
};

// Decides for one output from what its queue holds. overruns counts the consecutive over-full
// blocks (kept by the caller across blocks): up to three are stretched down, the fourth is
// dropped and the count starts again at 1; a block in range clears it.
OutputDecision DecideOutput(const RoutingLayout& layout, std::uint32_t queuedSamples,
                            std::uint32_t queuedBuffers, std::uint32_t& overruns);

// Brings an output queue that stands above the bottom of its band back down to it. A burst of
// input (the engine thread held up for a moment, the first block's delay, a device catching up)
// lifts the queue inside the band, where the band's own rules never lower it again: every such
// step would add latency for good. The settler watches the lowest level of the queue over about
// a second; when even that stood a whole block or more above the bottom, it has the following
// blocks lose the excess (down to half a block above the bottom), which the drift stretcher
// takes out where the signal is quiet, as it does for any drift. Engine thread; real-time safe.
class QueueSettler {
public:
    // Forgets the window and any excess still to take out: the output was opened, or its queue
    // left the band and the band's rules act.
    void Reset();
    // One block whose output queue (samples) is inside the band; returns how many samples this
    // block should lose, 0 when none.
    std::uint32_t Observe(const RoutingLayout& layout, std::uint32_t queuedSamples);
    // This block lost removed samples.
    void Removed(std::uint32_t removed);

private:
    std::uint32_t seen_ = 0;
    std::uint32_t lowest_ = ~0u;
    std::uint32_t excess_ = 0;
};
