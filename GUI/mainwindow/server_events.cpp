#include "mainwindow/server_events.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "base/mlog.h"
#include "ipc/sharemem.h"
#include "platform/kobjects.h"
#include "routing/osci_publisher.h"
#include "routing/signal_relay.h"

namespace {

constexpr const char* kStopEventName = "PN_SrvCmdTreadExit";

} // namespace

// What the thread uses; it keeps it alive after a stop that timed out.
struct ServerEvents::Shared {
    OsciSink osci;
    FunSoundsChanged funSounds;
    std::unique_ptr<platform::NamedEvent> stop;
    std::unique_ptr<platform::NamedEvent> funEvent;
    std::unique_ptr<platform::NamedEvent> osciEvent;
    ShareMem osciBlock;
    std::vector<std::int16_t> samples; // one block, sized once at the start
    std::mutex doneLock;
    std::condition_variable doneSignal;
    bool done = false;
};

ServerEvents::ServerEvents(OsciSink osci, FunSoundsChanged funSounds)
    : osci_(std::move(osci)), funSounds_(std::move(funSounds)) {}

ServerEvents::~ServerEvents() {
    Stop();
}

bool ServerEvents::Start() {
    Stop();
    // Each run has objects of its own: a thread that did not stop in time keeps its old ones.
    auto shared = std::make_shared<Shared>();
    shared->osci = osci_;
    shared->funSounds = funSounds_;
    shared_ = shared;
    if (shared->osciBlock.Open(kOsciBlockName, kShmAccessRead) == kShmSuccess &&
        shared->osciBlock.Size() > 4)
        shared->samples.resize((shared->osciBlock.Size() - 4) / sizeof(std::int16_t));
    else
        shared->osciBlock.Close();
    shared->stop = platform::NamedEvent::Create(kStopEventName, true, false);
    if (shared->stop != nullptr)
        shared->stop->Reset(); // a stop event left set by an earlier window must not end us
    shared->funEvent = platform::NamedEvent::Open(kFunSoundEventName);
    shared->osciEvent = platform::NamedEvent::Open(kOsciEventName);
    if (shared->stop == nullptr || shared->funEvent == nullptr || shared->osciEvent == nullptr) {
        LogError("Cannot open the voice server's events: no fun sound or oscilloscope updates");
        return false;
    }
    thread_ = std::thread(&ServerEvents::Run, shared);
    return true;
}

void ServerEvents::Stop(unsigned timeoutMs) {
    if (!thread_.joinable())
        return;
    shared_->stop->Set();
    std::unique_lock<std::mutex> lock(shared_->doneLock);
    const bool ended = shared_->doneSignal.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                                    [this] { return shared_->done; });
    lock.unlock();
    if (ended) {
        thread_.join();
    } else {
        LogError("Error of stop comand thread");
        thread_.detach();
    }
}

void ServerEvents::Run(std::shared_ptr<Shared> shared) {
    for (;;) {
        const platform::WaitResult result = platform::WaitForObjects(
            {shared->stop.get(), shared->funEvent.get(), shared->osciEvent.get()},
            platform::kWaitInfinite);
        if (result.status != platform::WaitStatus::Signalled || result.index == 0) {
            LogNote("exit handler");
            break;
        }
        if (result.index == 1) {
            shared->funSounds();
            continue;
        }
        ShareMem& block = shared->osciBlock;
        if (!block.IsOpen() || !block.Lock())
            continue; // the server is writing: the next block comes soon
        std::uint32_t bytes = 0;
        bool read = block.ReadAt(&bytes, sizeof bytes, 0) == kShmSuccess;
        bytes = std::min<std::uint32_t>(bytes, shared->samples.size() * sizeof(std::int16_t));
        read = read && block.ReadAt(shared->samples.data(), bytes, 4) == kShmSuccess;
        block.Unlock();
        if (read && bytes >= sizeof(std::int16_t))
            shared->osci(shared->samples.data(), static_cast<int>(bytes / sizeof(std::int16_t)));
    }
    std::lock_guard<std::mutex> lock(shared->doneLock);
    shared->done = true;
    shared->doneSignal.notify_all();
}
