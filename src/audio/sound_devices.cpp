#include "audio/sound_devices.h"

#include <exception>

#include "base/mlog.h"
#include "platform/sound/sound_system.h"

namespace {

SoundDirection ToSoundDirection(std::uint32_t direction) {
    return direction == kSoundDevicesRecording ? SoundDirection::Recording
                                               : SoundDirection::Playback;
}

void LogDeviceList(const CSoundDevices& list, const char* side) {
    LogNote("Enumirate drivers on %s (nDevs=%d):", side, list.GetCount());
    for (int i = 0; i < list.GetCount(); ++i)
        LogNote("Device [%d] (devId=%d) = %s", i, list.GetDeviceNumber(i), list.GetName(i).c_str());
}

// Moves the default playback device off the virtual card's playback side, so that what other
// programs play does not end up in the virtual microphone. Logged as "_ResetRenderVoxwarp".
bool ResetRenderVoxwarp() {
    const char* method = "_ResetRenderVoxwarp";
    LogScope scope(method);
    bool result = true;
    CSoundDevices playback(kSoundDevicesPlayback);
    if (playback.GetCount() >= 2) {
        int virtualCard = playback.FindByName(kVirtualCardName);
        if (virtualCard >= 0 && virtualCard == playback.GetDefaultIndex()) {
            int other = virtualCard == 0 ? 1 : 0;
            result = playback.SetDefault(other);
            LogSoundDevices();
        }
    }
    scope.SetResult(result);
    return result;
}

} // namespace

CSoundDevices::CSoundDevices(std::uint32_t direction) : direction_(direction) {
    if (direction_ == kSoundDevicesPlayback || direction_ == kSoundDevicesRecording)
        Read();
}

void CSoundDevices::Read() {
    devices_.clear();
    defaultIndex_ = -1;
    SoundDirection direction = ToSoundDirection(direction_);
    try {
        SoundSystem& system = CurrentSoundSystem();
        std::vector<SoundDeviceInfo> infos;
        if (!system.ListDevices(direction, infos))
            return;
        devices_.reserve(infos.size());
        for (std::size_t i = 0; i < infos.size(); ++i) {
            SoundDevice device;
            device.name = infos[i].description;
            device.deviceNumber = static_cast<int>(i);
            device.endpointId = infos[i].id;
            devices_.push_back(std::move(device));
        }
        std::string defaultId;
        if (!system.GetDefault(direction, defaultId) || defaultId.empty())
            return;
        for (std::size_t i = 0; i < devices_.size(); ++i) {
            if (devices_[i].endpointId == defaultId) {
                defaultIndex_ = static_cast<int>(i);
                break;
            }
        }
    } catch (const std::exception& e) {
        LogException("CSoundDevices: %s", e.what());
        devices_.clear();
        defaultIndex_ = -1;
    }
}

const SoundDevice* CSoundDevices::GetDevice(int index) const {
    if (index < 0 || index >= GetCount())
        return nullptr;
    return &devices_[static_cast<std::size_t>(index)];
}

std::string CSoundDevices::GetName(int index) const {
    const SoundDevice* device = GetDevice(index);
    return device ? device->name : std::string();
}

int CSoundDevices::GetDeviceNumber(int index) const {
    const SoundDevice* device = GetDevice(index);
    return device ? device->deviceNumber : -1;
}

int CSoundDevices::FindByName(const std::string& text) const {
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        if (devices_[i].name.find(text) != std::string::npos)
            return static_cast<int>(i);
    }
    return -1;
}

int CSoundDevices::FindById(const std::string& id) const {
    for (std::size_t i = 0; i < devices_.size(); ++i) {
        if (devices_[i].endpointId == id)
            return static_cast<int>(i);
    }
    return -1;
}

bool CSoundDevices::SetDefault(int index) {
    const SoundDevice* device = GetDevice(index);
    if (!device)
        return false;
    const std::string id = device->endpointId;
    try {
        if (!CurrentSoundSystem().SetDefault(ToSoundDirection(direction_), id)) {
            LogMethod("CSoundDevices::SetDefault", "\"%s\" refused", id.c_str());
            return false;
        }
    } catch (const std::exception& e) {
        LogException("CSoundDevices::SetDefault: %s", e.what());
        return false;
    }
    // The server may have renumbered its devices meanwhile; the list follows it.
    Read();
    if (defaultIndex_ < 0) {
        for (std::size_t i = 0; i < devices_.size(); ++i) {
            if (devices_[i].endpointId == id)
                defaultIndex_ = static_cast<int>(i);
        }
    }
    return true;
}

MmeErrorNum PaGetDevNByName(const std::string& name, std::uint32_t direction, int& device) {
    const char* method = "PaGetDevNByName";
    device = -2;
    if (name.empty())
        return kMmeDeviceNotFound;
    if (direction != kLookupRecording && direction != kLookupPlayback)
        return kMmeBadParam;
    LogMethod(method, "Search SoundDev=\"%s\" type = %s", name.c_str(),
              direction == kLookupRecording ? "in" : "out");
    CSoundDevices list(direction == kLookupRecording ? kSoundDevicesRecording
                                                     : kSoundDevicesPlayback);
    int index = list.FindByName(name);
    if (index < 0)
        return kMmeDeviceNotFound;
    device = list.GetDeviceNumber(index);
    LogMethod(method, "SoundDev=\"%s\" id=%d", name.c_str(), device);
    return kMmeSuccess;
}

MmeErrorNum PaGetSoundDevList(std::uint32_t direction, std::vector<std::string>& names) {
    names.clear();
    if (direction != kLookupRecording && direction != kLookupPlayback)
        return kMmeBadParam;
    CSoundDevices list(direction == kLookupRecording ? kSoundDevicesRecording
                                                     : kSoundDevicesPlayback);
    for (int i = 0; i < list.GetCount(); ++i) {
        std::string name = list.GetName(i);
        if (!name.empty())
            names.push_back(std::move(name));
    }
    return kMmeSuccess;
}

void LogSoundDevices() {
    CSoundDevices recording(kSoundDevicesRecording);
    CSoundDevices playback(kSoundDevicesPlayback);
    LogLine(LogKind::Note, "");
    LogNote("    -= Sound devices =-");
    LogLine(LogKind::Note, "");
    LogDeviceList(recording, "input");
    LogDeviceList(playback, "output");
    LogLine(LogKind::Note, "");
}

bool SelectDefSndc() {
    const char* method = "SelectDefSndc";
    LogScope scope(method);
    bool result = true;
    {
        CSoundDevices recording(kSoundDevicesRecording);
        int virtualCard = recording.FindByName(kVirtualCardName);
        if (virtualCard >= 0 && virtualCard != recording.GetDefaultIndex()) {
            if (recording.SetDefault(virtualCard))
                LogSoundDevices();
            else
                result = false;
        }
    }
    if (!ResetRenderVoxwarp())
        result = false;
    scope.SetResult(result);
    return result;
}

void MoveDefaultRecordingOffVirtualCard() {
    CSoundDevices recording(kSoundDevicesRecording);
    int current = recording.GetDefaultIndex();
    if (current < 0 || recording.GetName(current).find(kVirtualCardName) == std::string::npos)
        return;
    recording.SetDefault(current == 0 ? 1 : 0);
}
