// What the parts of the routing stream share: the effect slot and the process-wide counters.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "effect/effect.h"
#include "routing/stream.h"

// Both hosts of one effect slot: the monitor copy and the virtual copy each run their own
// plug-in instance. Swapped as a whole under the stream lock.
struct PnIOStream::EffectSlot {
    std::unique_ptr<PnAudioEffect> monitor;
    std::unique_ptr<PnAudioEffect> virt;
    // Parameter values set by a command thread, one per parameter of the plug-in (made when it
    // loads): the engine thread hands the first pendingCount to both plug-ins before the slot's
    // next block, so that plug-in code never runs on a command thread under the stream lock.
    // Both guarded by the stream lock.
    std::vector<float> pendingValues;
    std::size_t pendingCount = 0;
};

namespace streamstate {
// One per process: the first block waits once, and the overrun counters survive Restart.
extern std::atomic<bool> firstBlockDelay;
extern std::atomic<std::uint32_t> monitorOverruns;
extern std::atomic<std::uint32_t> virtualOverruns;
// Blocks lost per output ([kStreamMonitor], [kStreamVirtual]): dropped on the fourth
// consecutive over-full block, and writes the output refused for any other reason.
extern std::atomic<std::uint32_t> droppedBlocks[2];
extern std::atomic<std::uint32_t> failedWrites[2];
// The stream's own engine message: stop the capture after an output's driver went away.
constexpr std::uint32_t kMsgStopCapture = 0x8C01;
} // namespace streamstate
