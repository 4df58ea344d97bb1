// The watcher's pass: the volume mirror, and the recovery of lost streams. An output whose
// driver went away, or a capture stream that has stopped delivering (the sound server ended),
// makes the watcher rebuild every stream; a card that could not be opened then (the sound server
// was still down, the virtual microphone was unloaded) is looked for again whenever the sound
// server's device lists change.
#include "server.h"

#include <cstdlib>

#include "audio/mixer.h"
#include "audio/sound_devices.h"
#include "base/mlog.h"
#include "platform/sound/sound_system.h"

void VoiceServer::WatchOnce() {
    std::lock_guard<std::recursive_mutex> lock(cardLock_);
    std::uint32_t volume = 0;
    if (inputMixer_ && virtualMixer_ && virtualMixer_->GetRecordingVolume(volume))
        inputMixer_->SetRecordingVolume(volume);
    if (OutputFailed()) {
        RebuildStreams();
    } else if (InputStalled()) {
        LogPlain("input stream stalled");
        RebuildStreams();
    } else {
        ReopenLostCards();
    }
}

void VoiceServer::RebuildStreams() {
    ClearOutputFailed();
    stalledPeriods_ = 0;
    LogPlain("restarting driver...");
    LogSoundDevices();
    CloseMixers();
    CloseAll();
    if (!Init()) {
        LogError("restarting driver failed");
        std::_Exit(1);
    }
    LoadParams();
    LogPlain("restarting driver OK");
}

bool VoiceServer::InputStalled() {
    std::uint64_t blocks = CapturedBlocks();
    if (DeviceOf(kStreamInput) == kNoStreamDevice || blocks != lastCapturedBlocks_) {
        lastCapturedBlocks_ = blocks;
        stalledPeriods_ = 0;
        return false;
    }
    return ++stalledPeriods_ >= kStallPeriods;
}

void VoiceServer::ReopenLostCards() {
    bool lost = DeviceOf(kStreamVirtual) == kNoStreamDevice ||
                (!config_.input.empty() && DeviceOf(kStreamInput) == kNoStreamDevice) ||
                (!config_.monitor.empty() && DeviceOf(kStreamMonitor) == kNoStreamDevice);
    if (!lost) {
        loaderPeriods_ = 0;
        return;
    }
    // A virtual card that went away is loaded again (now and then: the sound server may be
    // down); the change of the device lists that this makes then reopens it.
    if (DeviceOf(kStreamVirtual) == kNoStreamDevice && virtualCardLoader_ &&
        loaderPeriods_++ % kReloadCardPeriods == 0)
        virtualCardLoader_();
    std::string devices = DeviceSignature();
    if (devices == lastDevices_)
        return;
    LogPlain("sound devices changed; looking for the sound cards again");
    LpSoundCards();
}

std::string VoiceServer::DeviceSignature() {
    std::string signature;
    for (SoundDirection direction : {SoundDirection::Recording, SoundDirection::Playback}) {
        std::vector<SoundDeviceInfo> devices;
        if (!CurrentSoundSystem().ListDevices(direction, devices))
            return "";
        for (const SoundDeviceInfo& device : devices)
            signature += device.id + '\n';
        signature += '\n';
    }
    return signature;
}
