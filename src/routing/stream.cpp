// The routing stream's life cycle: signals, stream objects, open, start, close and restart.
#include "routing/stream.h"

#include <new>

#include "base/mlog.h"
#include "routing/stream_internal.h"

namespace streamstate {
std::atomic<bool> firstBlockDelay{true};
std::atomic<std::uint32_t> monitorOverruns{0};
std::atomic<std::uint32_t> virtualOverruns{0};
std::atomic<std::uint32_t> droppedBlocks[2] = {0, 0};
std::atomic<std::uint32_t> failedWrites[2] = {0, 0};
} // namespace streamstate

namespace {

const char* StreamName(int type) {
    return type == kStreamMonitor ? "monitor" : type == kStreamVirtual ? "virtual" : "input";
}

// The stretcher's fixed settings: it counts in frames of 80 to 160 samples whatever the rate.
constexpr int kStretchRate = 8000;
constexpr int kStretchMinimumFrame = 80;
constexpr int kStretchMaximumFrame = 160;

} // namespace

PnIOStream::PnIOStream(AudioBackend& backend)
    : backend_(backend), backgrounds_(kBackgroundSlots, true), funSounds_(*this),
      effects_(new EffectSlot[kEffectSlots]) {
    LogScope scope("PnIOStream::PnIOStream");
    SetStopTimeout(800);
}

PnIOStream::~PnIOStream() {
    LogScope scope("PnIOStream::~PnIOStream");
    // No handler may run once this object is gone: close the streams, then end the engine.
    DestroyStreams();
    StopEngine();
    signals_.Stop();
}

std::uint32_t PnIOStream::MonitorOverruns() {
    return streamstate::monitorOverruns.load();
}

std::uint32_t PnIOStream::VirtualOverruns() {
    return streamstate::virtualOverruns.load();
}

std::uint32_t PnIOStream::DroppedBlocks(int type) {
    return type == kStreamMonitor || type == kStreamVirtual
               ? streamstate::droppedBlocks[type].load()
               : 0;
}

std::uint32_t PnIOStream::FailedWrites(int type) {
    return type == kStreamMonitor || type == kStreamVirtual ? streamstate::failedWrites[type].load()
                                                            : 0;
}

bool PnIOStream::FirstBlockDelayPending() {
    return streamstate::firstBlockDelay.load();
}

bool PnIOStream::Init() {
    LogScope scope("PnIOStream::Init");
    CreateSignals();
    if (!signals_.HasFunSoundEvent()) {
        scope.SetResult(false);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(streamObjectsLock_);
        if (!virtualOut_)
            virtualOut_ = std::make_unique<PaStreamOut>(backend_);
        if (!monitorOut_)
            monitorOut_ = std::make_unique<PaStreamOut>(backend_);
        if (!input_)
            input_ = std::make_unique<PaStreamIn>(backend_);
    }
    const bool started = StartEngine() == kMmeSuccess;
    scope.SetResult(started);
    return started;
}

void PnIOStream::CreateSignals() {
    signals_.CreateSignals();
}

PaStream* PnIOStream::StreamOf(int type) const {
    switch (type) {
    case kStreamMonitor:
        return monitorOut_.get();
    case kStreamVirtual:
        return virtualOut_.get();
    case kStreamInput:
        return input_.get();
    default:
        return nullptr;
    }
}

bool PnIOStream::Open(int type, int device, std::uint32_t bitsPerSample, std::uint32_t sampleRate,
                      std::uint16_t bufferMs, std::uint32_t bufferCount) {
    const char* method = "PnIOStream::Open";
    LogScope scope(method,
                   "SteamType=%d, nDev=%i, bitPerSample=%u, sampleRate=%u, sizeofBuferMs=%u, "
                   "numberOfBufers=%u",
                   type, device, bitsPerSample, sampleRate, static_cast<unsigned>(bufferMs),
                   bufferCount);
    bool result = false;
    if (type == kStreamInput)
        result = OpenInput(device, bitsPerSample, sampleRate, bufferMs, bufferCount);
    else if (type == kStreamMonitor || type == kStreamVirtual)
        result = OpenOutput(type, device, bitsPerSample, sampleRate, bufferCount);
    scope.SetResult(result);
    return result;
}

bool PnIOStream::OpenInput(int device, std::uint32_t bits, std::uint32_t rate, std::uint16_t ms,
                           std::uint32_t count) {
    std::lock_guard<std::mutex> objects(streamObjectsLock_);
    if (!input_)
        return false;
    // The work buffers change only while no block runs.
    input_->Close();
    FreeWorkBuffers();
    inputMs_ = ms;
    const RoutingLayout layout = ComputeRoutingLayout(ms, queueHighMs_.load());
    MmeErrorNum result = kMmeSuccess;
    try {
        monitorWork_.assign(layout.workBytes / 2, 0);
        virtualWork_.assign(layout.workBytes / 2, 0);
        layout_ = layout;
    } catch (const std::bad_alloc&) {
        result = kMmeNoMemory;
    }
    if (result == kMmeSuccess && !signals_.ReserveOsci(layout.workBytes))
        result = kMmeNoMemory;
    if (result == kMmeSuccess) {
        // The loaded plug-ins get room for the new blocks before the first one runs.
        std::lock_guard<std::recursive_mutex> lock(streamLock_);
        for (int i = 0; i < kEffectSlots; ++i) {
            EffectSlot& slot = effects_[static_cast<std::size_t>(i)];
            if (slot.monitor)
                PrepareEffectBlocks(*slot.monitor);
            if (slot.virt)
                PrepareEffectBlocks(*slot.virt);
        }
    }
    if (result == kMmeSuccess)
        result = input_->Open(EngineThreadId(), device, bits, rate, ms, count);
    if (result != kMmeSuccess) {
        LogError("Open %s sound card error: %s", StreamName(kStreamInput),
                 MmeErrorText(result).c_str());
        FreeWorkBuffers();
        return false;
    }
    return true;
}

void PnIOStream::SetQueueHighMs(std::uint32_t ms) {
    queueHighMs_.store(ms);
    // An open input takes the new top at once; the blocks read it under the stream lock.
    std::lock_guard<std::recursive_mutex> lock(streamLock_);
    if (layout_.blockSamples != 0)
        layout_.queueHigh = ComputeRoutingLayout(inputMs_, ms).queueHigh;
}

bool PnIOStream::OpenOutput(int type, int device, std::uint32_t bits, std::uint32_t rate,
                            std::uint32_t count) {
    const bool monitor = type == kStreamMonitor;
    PaStreamOut* out = monitor ? monitorOut_.get() : virtualOut_.get();
    {
        std::lock_guard<std::recursive_mutex> lock(streamLock_);
        backgroundPos_[type] = 0;
        funPos_[type].fill(0);
    }
    bool inputOpen;
    {
        std::lock_guard<std::mutex> objects(streamObjectsLock_);
        inputOpen = input_ && input_->IsOpen();
    }
    if (layout_.workBytes == 0 || !inputOpen || out == nullptr) {
        LogError(monitor ? "Monitore stream is not stared" : "Virtual stream is not stared");
        LogMethod("PnIOStream::Open",
                  monitor ? "Erorr of open loopback soundcard. You must at first start input "
                            "stream"
                          : "Erorr of open virtual soundcard. You must at first start input "
                            "stream");
        return false;
    }
    OutputRunning(type).store(false);
    const MmeErrorNum result =
        out->Open(EngineThreadId(), device, bits, rate, static_cast<std::uint16_t>(layout_.workMs),
                  OutputBufferCount(layout_, count));
    if (result != kMmeSuccess) {
        LogError("Open %s sound card error: %s", StreamName(type), MmeErrorText(result).c_str());
        return false;
    }
    const QueueState state = out->GetQueueState();
    bool started;
    {
        std::lock_guard<std::recursive_mutex> lock(streamLock_);
        OutputDrift& drift = drift_[type];
        drift.settler.Reset();
        drift.levels.Clear();
        started = drift.stretcher.Start(kStretchRate, 1, kStretchMinimumFrame, kStretchMaximumFrame,
                                        static_cast<int>(state.totalBytes / 2));
    }
    if (!started) {
        LogWarning("Stretch algorithm not started for %s soundcard", StreamName(type));
        return false;
    }
    return true;
}

bool PnIOStream::Start(int type) {
    const char* method = "PnIOStream::Start";
    LogScope scope(method, "SteamType=%d", type);
    bool result = false;
    if (type == kStreamMonitor || type == kStreamVirtual) {
        PaStreamOut* out = type == kStreamMonitor ? monitorOut_.get() : virtualOut_.get();
        if (out != nullptr) {
            out->Start();
            OutputRunning(type).store(true);
            result = true;
        }
    } else if (type == kStreamInput) {
        std::lock_guard<std::mutex> objects(streamObjectsLock_);
        const MmeErrorNum started = input_ ? input_->Start() : kMmeNotOpen;
        if (started != kMmeSuccess)
            LogError("Start input stream error: %s", MmeErrorText(started).c_str());
        result = started == kMmeSuccess;
    }
    scope.SetResult(result);
    return result;
}

void PnIOStream::Close(int type) {
    const char* method = "PnIOStream::Close";
    LogScope scope(method, "SteamType=%d", type);
    if (type == kStreamMonitor || type == kStreamVirtual) {
        OutputRunning(type).store(false);
        PaStreamOut* out = type == kStreamMonitor ? monitorOut_.get() : virtualOut_.get();
        if (out != nullptr && out->IsOpen())
            LogQueueLevels(type);
        if (out != nullptr)
            out->Close();
    } else if (type == kStreamInput) {
        std::lock_guard<std::mutex> objects(streamObjectsLock_);
        if (input_)
            input_->Close();
        FreeWorkBuffers();
    }
}

void PnIOStream::FreeWorkBuffers() {
    std::vector<std::int16_t>().swap(monitorWork_);
    std::vector<std::int16_t>().swap(virtualWork_);
    layout_ = RoutingLayout{};
}

bool PnIOStream::Restart(int type, int device, std::uint32_t bitsPerSample,
                         std::uint32_t sampleRate, std::uint16_t bufferMs,
                         std::uint32_t bufferCount) {
    const char* method = "PnIOStream::Restart";
    LogScope scope(method,
                   "SteamType=%d, nDev=%i, bitPerSample=%u, sampleRate=%u, sizeofBuferMs=%u, "
                   "numberOfBufers=%u",
                   type, device, bitsPerSample, sampleRate, static_cast<unsigned>(bufferMs),
                   bufferCount);
    Close(type);
    bool result = false;
    if (device != kNoStreamDevice) {
        result =
            Open(type, device, bitsPerSample, sampleRate, bufferMs, bufferCount) && Start(type);
        if (!result)
            Close(type);
    }
    scope.SetResult(result);
    return result;
}

int PnIOStream::DeviceOf(int type) const {
    const PaStream* stream = StreamOf(type);
    return stream != nullptr && stream->IsOpen() ? stream->Device() : kNoStreamDevice;
}

QueueState PnIOStream::OutputQueueState(int type) {
    PaStreamOut* out = type == kStreamMonitor   ? monitorOut_.get()
                       : type == kStreamVirtual ? virtualOut_.get()
                                                : nullptr;
    return out != nullptr ? out->GetQueueState() : QueueState{};
}

void PnIOStream::LogQueueLevels(int type) {
    const QueueLevelSummary levels = drift_[type].levels.Summarize();
    drift_[type].levels.Clear();
    if (levels.blocks != 0)
        LogPlain("Output queue %s: min=%u ms, median=%u ms, max=%u ms over %u blocks",
                 StreamName(type), levels.minMs, levels.medianMs, levels.maxMs, levels.blocks);
}

// Input first: once it is closed no block runs, so the outputs can go.
void PnIOStream::DestroyStreams() {
    OutputRunning(kStreamMonitor).store(false);
    OutputRunning(kStreamVirtual).store(false);
    {
        std::lock_guard<std::mutex> objects(streamObjectsLock_);
        input_.reset();
        FreeWorkBuffers();
    }
    monitorOut_.reset();
    virtualOut_.reset();
}

void PnIOStream::CloseAll() {
    const char* method = "PnIOStream::CloseAll";
    LogScope scope(method);
    LogQueueLevels(kStreamMonitor);
    LogQueueLevels(kStreamVirtual);
    DestroyStreams();
    StopEngine();
    {
        std::lock_guard<std::recursive_mutex> lock(streamLock_);
        for (int i = 0; i < kBackgroundSlots; ++i)
            backgrounds_[static_cast<std::size_t>(i)].Unload();
    }
    for (int i = 0; i < kFunSoundSlots; ++i)
        UnloadFun(i);
    for (int i = 0; i < kEffectSlots; ++i)
        UnloadEffect(i);
    LogPlain("Dropped blocks: monitor=%u, virtual=%u", DroppedBlocks(kStreamMonitor),
             DroppedBlocks(kStreamVirtual));
}
