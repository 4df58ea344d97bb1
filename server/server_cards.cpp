// The sound cards of the three streams with their mixers, and the watcher thread that mirrors
// the virtual microphone's volume and rebuilds the streams after an output driver failed.
#include "server.h"

#include <chrono>
#include <cstdlib>
#include <system_error>

#include "audio/mixer.h"
#include "audio/sound_devices.h"
#include "base/mlog.h"
#include "base/strtable.h"

namespace {

constexpr unsigned kStrDeviceNotFound = 163;
constexpr std::uint32_t kBitsPerSample = 16;
constexpr std::uint32_t kSampleRate = 44100;

} // namespace

int VoiceServer::FindCard(const std::string& name, std::uint32_t direction) {
    if (name.empty())
        return kNoStreamDevice;
    int device = kNoStreamDevice;
    if (PaGetDevNByName(name, direction, device) != kMmeSuccess || device < 0) {
        ReportError(LoadStr(kStrDeviceNotFound).c_str(), name.c_str());
        return kNoStreamDevice;
    }
    return device;
}

std::unique_ptr<PortMixer>& VoiceServer::MixerOf(int type) {
    if (type == kStreamInput)
        return inputMixer_;
    return type == kStreamVirtual ? virtualMixer_ : monitorMixer_;
}

bool VoiceServer::MixerOpen(int type) {
    std::lock_guard<std::recursive_mutex> lock(cardLock_);
    const std::unique_ptr<PortMixer>& mixer = MixerOf(type);
    return mixer && mixer->IsOpen();
}

void VoiceServer::OpenMixer(int type) {
    std::uint32_t mixerId;
    std::uint32_t flags = kOutputMixerFlags;
    const char* failure = "Erorr of open output port mixer";
    if (type == kStreamInput) {
        mixerId = MixerIdFor(kLookupRecording, DeviceOf(type));
        flags = kInputMixerFlags;
        failure = "Erorr of open input port mixer";
    } else if (type == kStreamVirtual) {
        // Programs record from the virtual card's recording side, so its volume is the one
        // the watcher mirrors onto the microphone.
        int device = kNoStreamDevice;
        PaGetDevNByName(kVirtualCardName, kLookupRecording, device);
        mixerId = MixerIdFor(kLookupRecording, device);
    } else {
        mixerId = MixerIdFor(kLookupPlayback, DeviceOf(type));
    }
    auto mixer = std::make_unique<PortMixer>();
    if (!mixer->Open(mixerId, flags, nullptr)) {
        LogError("%s", failure);
        return;
    }
    MixerOf(type) = std::move(mixer);
}

void VoiceServer::CloseMixers() {
    inputMixer_.reset();
    virtualMixer_.reset();
    monitorMixer_.reset();
}

void VoiceServer::ReopenStream(int type, int device, std::uint16_t bufferMs,
                               std::uint32_t bufferCount) {
    if (device == DeviceOf(type))
        return;
    MixerOf(type).reset();
    if (Restart(type, device, kBitsPerSample, kSampleRate, bufferMs, bufferCount))
        OpenMixer(type);
}

void VoiceServer::SelectInputSource() {
    if (!inputMixer_ || config_.mixInSrc.empty())
        return;
    std::vector<MixerLine> sources = inputMixer_->GetInputSources();
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (sources[i].name == config_.mixInSrc) {
            inputMixer_->SelectSource(static_cast<int>(i));
            return;
        }
    }
}

void VoiceServer::LpSoundCards() {
    const char* method = "VoiceServer::LpSoundCards";
    LogScope scope(method);
    std::lock_guard<std::recursive_mutex> lock(cardLock_);
    // The device lists this lookup sees; the watcher looks again when they change.
    lastDevices_ = DeviceSignature();
    int input = FindCard(config_.input, kLookupRecording);
    int monitor = FindCard(config_.monitor, kLookupPlayback);
    int virtualCard = FindCard(kVirtualCardName, kLookupPlayback);
    LogMethod(method, "Get:    in=%d, mon=%d, vsc=%d", input, monitor, virtualCard);
    LogMethod(method, "Stream: in=%d, mon=%d, vsc=%d", DeviceOf(kStreamInput),
              DeviceOf(kStreamMonitor), DeviceOf(kStreamVirtual));
    SetQueueHighMs(config_.queueHighMs);
    // The input first: the outputs open only behind an open input.
    ReopenStream(kStreamInput, input, config_.inBuffSizeMs, config_.inBuffsN);
    ReopenStream(kStreamVirtual, virtualCard, config_.outBuffSizeMs, config_.outBuffsN);
    ReopenStream(kStreamMonitor, monitor, config_.outBuffSizeMs, config_.outBuffsN);
    SelectInputSource();
}

void VoiceServer::StartWatcher() {
    std::lock_guard<std::mutex> lock(watchMutex_);
    watchRun_ = true;
    watchEnded_ = false;
    try {
        watcher_ = std::thread(&VoiceServer::WatchLoop, this);
    } catch (const std::system_error&) {
        watchRun_ = false;
        watchEnded_ = true;
        LogError("Create mixer spy thread");
    }
}

void VoiceServer::StopWatcher() {
    if (!watcher_.joinable())
        return;
    std::unique_lock<std::mutex> lock(watchMutex_);
    watchRun_ = false;
    watchWake_.notify_all();
    if (!watchWake_.wait_for(lock, std::chrono::milliseconds(kWatchStopMs),
                             [this] { return watchEnded_; }))
        LogWarning("Mixer spy thread did not end within %d ms", kWatchStopMs);
    lock.unlock();
    // The thread works on this object, so it is always waited for before the streams close.
    watcher_.join();
}

void VoiceServer::WatchLoop() {
    // The first pass runs at once, so that the volumes agree as soon as the server runs.
    std::unique_lock<std::mutex> lock(watchMutex_);
    do {
        lock.unlock();
        WatchOnce();
        lock.lock();
        watchWake_.wait_for(lock, std::chrono::milliseconds(kWatchPeriodMs),
                            [this] { return !watchRun_; });
    } while (watchRun_);
    watchEnded_ = true;
    watchWake_.notify_all();
}
