// The routing stream's oscilloscope publication: the virtual output's latest block, after effect
// and mixing, goes into the shared block "Global\PN_SHM_OSCI" (a 32-bit byte count, then the
// 16-bit samples) and "Global\PN_EV_OSCIUPDATE" is pulsed for the control panel. Publishing
// never waits: a block whose lock the reader holds is skipped.
#pragma once

#include <cstdint>
#include <memory>

#include "ipc/sharemem.h"

namespace platform {
class NamedEvent;
}

constexpr const char* kOsciBlockName = "Global\\PN_SHM_OSCI";
constexpr const char* kOsciEventName = "Global\\PN_EV_OSCIUPDATE";
constexpr std::uint32_t kOsciBlockSize = 0x100000;

class OsciPublisher {
public:
    // Nothing is published until Create. Any thread.
    OsciPublisher();
    // Closes the event and the block. Command thread; may block.
    ~OsciPublisher();
    OsciPublisher(const OsciPublisher&) = delete;
    OsciPublisher& operator=(const OsciPublisher&) = delete;

    // Creates the event and the block anew (a newly started control panel opens fresh
    // objects). A failed event is logged as "create osci event"; a failed block is dropped.
    // False when nothing can be published. Command thread; may block.
    bool Create();
    // Closes the event and the block; Publish skips every block until Create.
    // Command thread; may block.
    void Close();

    // Publishes bytes of samples; false when it was skipped (no block or event, the reader
    // holds the lock, or more than the block holds). No allocation, and the lock is only
    // tried, never waited for. Engine thread; real-time safe.
    bool Publish(const void* samples, std::uint32_t bytes);

private:
    ShareMem block_;
    std::unique_ptr<platform::NamedEvent> event_;
};
