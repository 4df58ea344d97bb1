// The routing stream's signals to the control panel: the fun-sound event, and the oscilloscope
// block with its event. These are named kernel objects, whose every operation takes a lock that
// other processes share (and may hold across file work), so the engine thread never touches
// them: it copies the latest oscilloscope block into a triple buffer and wakes the relay thread,
// which publishes it and pulses the events. Neither thread ever waits for the other; when the
// relay falls behind, only the latest block is published.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "routing/osci_publisher.h"

namespace platform {
class NamedEvent;
}

constexpr const char* kFunSoundEventName = "Global\\PN_EV_EMOTIC";

class SignalRelay {
public:
    // Nothing is signalled until CreateSignals. Any thread.
    SignalRelay();
    // Stops the relay thread and closes the objects. Command thread; may block.
    ~SignalRelay();
    SignalRelay(const SignalRelay&) = delete;
    SignalRelay& operator=(const SignalRelay&) = delete;

    // Creates the fun-sound event, the oscilloscope block and its event anew (a newly started
    // control panel opens fresh objects) and starts the relay thread when it is not running.
    // A failed fun-sound event is logged as "create emotic event". False when there is no
    // fun-sound event. Command thread; may block.
    bool CreateSignals();
    // Whether the fun-sound event exists. Command thread; may block.
    bool HasFunSoundEvent();
    // Makes room for oscilloscope blocks of up to bytes; longer ones are not published. Only
    // while no block is posted. Command thread; may block.
    bool ReserveOsci(std::uint32_t bytes);
    // Stops the relay thread; the objects stay until CreateSignals or the destructor.
    // Command thread; may block.
    void Stop();

    // Hands over the latest oscilloscope block. Engine thread; real-time safe.
    void PostOsci(const std::int16_t* samples, std::uint32_t bytes);
    // Asks for a pulse of the fun-sound event. Any thread; real-time safe.
    void PostFunSoundEnd();

private:
    static constexpr std::uint32_t kWantOsci = 1;
    static constexpr std::uint32_t kWantFunPulse = 2;
    static constexpr std::uint32_t kWantStop = 4;
    static constexpr int kFresh = 4; // in middle_: the middle slot holds a block not yet taken

    void Wake(std::uint32_t want);
    void Run();
    void PublishLatest();

    // The relay thread and the command threads; never the engine thread.
    std::mutex objectsLock_;
    std::unique_ptr<platform::NamedEvent> funEvent_;
    OsciPublisher osci_;
    std::thread thread_;

    // Triple buffer: the engine owns back_, the relay front_, and they trade through middle_.
    std::array<std::vector<std::int16_t>, 3> slots_;
    std::array<std::uint32_t, 3> slotBytes_{};
    int back_ = 0;
    int front_ = 2;
    std::atomic<int> middle_{1};

    std::atomic<std::uint32_t> wanted_{0};
};
