#include "mainwindow/check_params.h"

#include <algorithm>

#include "audio/sound_devices.h"
#include "common/ui_text.h"
#include "config/config.h"

namespace {

constexpr unsigned kTextVirtualDeviceMissing = 189;
constexpr unsigned kTextNoDevices = 190;
constexpr unsigned kTextNoRecordingDevice = 191;
constexpr unsigned kTextNoPlaybackDevice = 192;
constexpr unsigned kTextDeviceNameError = 193;
constexpr unsigned kTextRecording = 194;
constexpr unsigned kTextPlayback = 195;

bool Found(const std::vector<std::string>& names, const std::string& name) {
    return !name.empty() && std::any_of(names.begin(), names.end(), [&](const std::string& n) {
        return n.find(name) != std::string::npos;
    });
}

std::string NameError(unsigned kind, const std::string& name) {
    return UiFormat(kTextDeviceNameError, LoadStr(kind).c_str(), name.c_str());
}

} // namespace

SoundDeviceNames ReadSoundDeviceNames() {
    SoundDeviceNames names;
    PaGetSoundDevList(kLookupRecording, names.recording);
    PaGetSoundDevList(kLookupPlayback, names.playback);
    return names;
}

std::string CheckParams(const AppConfig& config, const SoundDeviceNames& devices) {
    // The output always goes to the virtual microphone: no other output can be configured.
    if (!Found(devices.playback, AppConfig::kVirtualDeviceName))
        return UiFormat(kTextVirtualDeviceMissing, AppConfig::kVirtualDeviceName);
    if (devices.recording.empty() && devices.playback.empty())
        return LoadStr(kTextNoDevices);
    if (devices.recording.empty())
        return LoadStr(kTextNoRecordingDevice);
    if (devices.playback.empty())
        return LoadStr(kTextNoPlaybackDevice);
    if (!Found(devices.recording, config.input))
        return NameError(kTextRecording, config.input);
    if (!Found(devices.playback, config.monitor))
        return NameError(kTextPlayback, config.monitor);
    return {};
}
