#include "routing/signal_relay.h"

#include <new>

#include "base/mlog.h"
#include "platform/kobjects.h"

SignalRelay::SignalRelay() = default;

SignalRelay::~SignalRelay() {
    Stop();
    std::lock_guard<std::mutex> lock(objectsLock_);
    funEvent_.reset();
    osci_.Close();
}

bool SignalRelay::CreateSignals() {
    bool created;
    {
        std::lock_guard<std::mutex> lock(objectsLock_);
        funEvent_.reset();
        osci_.Close();
        funEvent_ = platform::NamedEvent::Create(kFunSoundEventName, false, false);
        if (!funEvent_)
            LogError("create emotic event");
        osci_.Create();
        created = funEvent_ != nullptr;
    }
    if (!thread_.joinable()) {
        wanted_.store(0);
        try {
            thread_ = std::thread(&SignalRelay::Run, this);
        } catch (const std::system_error&) {
            LogError("Signal relay thread not started");
            return false;
        }
    }
    return created;
}

bool SignalRelay::HasFunSoundEvent() {
    std::lock_guard<std::mutex> lock(objectsLock_);
    return funEvent_ != nullptr;
}

bool SignalRelay::ReserveOsci(std::uint32_t bytes) {
    std::lock_guard<std::mutex> lock(objectsLock_);
    try {
        for (auto& slot : slots_) {
            if (slot.size() < bytes / 2)
                slot.resize(bytes / 2);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void SignalRelay::Stop() {
    if (!thread_.joinable())
        return;
    Wake(kWantStop);
    thread_.join();
}

// Engine thread: fills its own slot and trades it for the middle one; no lock, no allocation.
void SignalRelay::PostOsci(const std::int16_t* samples, std::uint32_t bytes) {
    std::vector<std::int16_t>& slot = slots_[static_cast<std::size_t>(back_)];
    const std::uint32_t count = bytes / 2;
    if (count > slot.size())
        return;
    std::copy(samples, samples + count, slot.begin());
    slotBytes_[static_cast<std::size_t>(back_)] = count * 2;
    back_ = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel) & 3;
    Wake(kWantOsci);
}

void SignalRelay::PostFunSoundEnd() {
    Wake(kWantFunPulse);
}

// A futex wake at most: no lock.
void SignalRelay::Wake(std::uint32_t want) {
    wanted_.fetch_or(want, std::memory_order_release);
    wanted_.notify_one();
}

void SignalRelay::Run() {
    for (;;) {
        wanted_.wait(0, std::memory_order_acquire);
        const std::uint32_t want = wanted_.exchange(0, std::memory_order_acquire);
        if (want & kWantStop)
            return;
        std::lock_guard<std::mutex> lock(objectsLock_);
        if (want & kWantOsci)
            PublishLatest();
        if ((want & kWantFunPulse) && funEvent_)
            funEvent_->Pulse();
    }
}

// objectsLock_ held.
void SignalRelay::PublishLatest() {
    if ((middle_.load(std::memory_order_acquire) & kFresh) == 0)
        return;
    front_ = middle_.exchange(front_, std::memory_order_acq_rel) & 3;
    const auto index = static_cast<std::size_t>(front_);
    osci_.Publish(slots_[index].data(), slotBytes_[index]);
}
