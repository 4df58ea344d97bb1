#include "audio/mixer.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "audio/sound_devices.h"
#include "base/mlog.h"
#include "base/strtable.h"
#include "platform/sound/sound_system.h"

namespace {

// The mixer's answers as they appear in the log.
constexpr std::uint32_t kAnswerError = 1;           // the server refused the request
constexpr std::uint32_t kAnswerBadDeviceId = 2;     // no such device (any more)
constexpr std::uint32_t kAnswerNoDriver = 6;        // the server cannot be reached
constexpr std::uint32_t kAnswerInvalControl = 1025; // the control is not one of this mixer

constexpr std::uint32_t kMaxVolume = 65535;
constexpr unsigned kNoSourcesText = 137;
constexpr unsigned kOpenInputMixerErrorText = 239;

unsigned char AsciiLower(char c) {
    auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

// Whole-text comparison without regard to the case of ASCII letters.
bool EqualsIgnoringCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

} // namespace

std::uint32_t MixerIdFor(std::uint32_t direction, int device) {
    if (device < 0 || static_cast<std::uint32_t>(device) >= kMaxMixerDevices)
        return kNoMixerId;
    if (direction == kLookupRecording)
        return kRecordingMixerFlag | static_cast<std::uint32_t>(device);
    if (direction == kLookupPlayback)
        return static_cast<std::uint32_t>(device);
    return kNoMixerId;
}

bool PortMixer::ReadDevice(SoundDeviceInfo& info, std::uint32_t& answer) const {
    SoundDirection direction =
        recordingDevice_ ? SoundDirection::Recording : SoundDirection::Playback;
    std::vector<SoundDeviceInfo> devices;
    if (!CurrentSoundSystem().ListDevices(direction, devices)) {
        answer = kAnswerNoDriver;
        return false;
    }
    for (SoundDeviceInfo& device : devices) {
        if (device.id == deviceId_) {
            info = std::move(device);
            return true;
        }
    }
    answer = kAnswerBadDeviceId;
    return false;
}

void PortMixer::ClearSelector() {
    selectorControl_ = kNoMixerId;
    selectorCount_ = 0;
    sources_.clear();
    sourcePorts_.clear();
}

bool PortMixer::Open(std::uint32_t mixerId, std::uint32_t flags, WindowHandle callbackWindow) {
    const char* method = "PortMixer::Open";
    LogScope scope(method, "uMxId=%d, flags=%u, callBackWindow=%u", static_cast<int>(mixerId),
                   flags, static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(callbackWindow)));
    Close();
    bool recording = (mixerId & kRecordingMixerFlag) != 0;
    std::uint32_t number = mixerId & ~kRecordingMixerFlag;
    std::uint32_t answer = kAnswerBadDeviceId;
    bool found = false;
    if (number < kMaxMixerDevices) {
        std::vector<SoundDeviceInfo> devices;
        SoundDirection direction = recording ? SoundDirection::Recording : SoundDirection::Playback;
        if (!CurrentSoundSystem().ListDevices(direction, devices)) {
            answer = kAnswerNoDriver;
        } else if (number < devices.size()) {
            deviceId_ = devices[number].id;
            found = true;
        }
    }
    if (!found) {
        LogError("Open mixer. Error code: %u", answer);
        scope.SetResult(false);
        return false;
    }
    open_ = true;
    recordingDevice_ = recording;
    InitOutput();
    InitInput();
    scope.SetResult(true);
    return true;
}

void PortMixer::Close() {
    open_ = false;
    recordingDevice_ = false;
    deviceId_.clear();
    ClearSelector();
    speakerLine_ = kNoMixerId;
    masterVolume_ = MixerLine();
    recordingLine_ = kNoMixerId;
    recordingVolume_ = MixerLine();
}

bool PortMixer::InitOutput() {
    const char* method = "PortMixer::InitOutput";
    LogMethod(method);
    if (!open_)
        return false;
    speakerLine_ = kNoMixerId;
    masterVolume_ = MixerLine();
    if (recordingDevice_) {
        LogMethod(method, "no speaker destination");
        return false;
    }
    SoundDeviceInfo info;
    std::uint32_t answer = 0;
    if (!ReadDevice(info, answer)) {
        LogWarning("Mixer line info errorcode: %u", answer);
        LogMethod(method, "error");
        return false;
    }
    speakerLine_ = kSpeakerLineId;
    masterVolume_ = MixerLine{info.description, kSpeakerLineId, kPlaybackVolumeControlId};
    return true;
}

bool PortMixer::InitInput() {
    const char* method = "PortMixer::InitInput";
    LogScope scope(method);
    auto leave = [&scope](bool result) {
        scope.SetResult(result);
        return result;
    };
    if (!open_)
        return leave(false);
    ClearSelector();
    if (!recordingDevice_) {
        LogMethod(method, "no recording destination");
        return leave(false);
    }
    SoundDeviceInfo info;
    std::uint32_t answer = 0;
    if (!ReadDevice(info, answer)) {
        LogWarning("Mixer line info errorcode: %u", answer);
        LogMethod(method, "error");
        return leave(false);
    }
    recordingLine_ = kRecordingLineId;

    LogMethod(method, "Search mix control...");
    if (info.ports.empty()) {
        LogMethod(method, "Mix control not found...");
        LogMethod(method, "Search recording volume...");
        bool result = DefineRecVol();
        LogMethod(method, "Volume ctrl: lineId=%u, volId=%u, name=%s", recordingVolume_.lineId,
                  recordingVolume_.volumeControl, recordingVolume_.name.c_str());
        return leave(result);
    }

    std::size_t count = std::min(info.ports.size(), kMaxMixerSources);
    for (std::size_t i = 0; i < count; ++i) {
        const SoundPortInfo& port = info.ports[i];
        const std::string& name = port.description.empty() ? port.name : port.description;
        sources_.push_back(MixerLine{name, kSourceLineBase + static_cast<std::uint32_t>(i),
                                     kRecordingVolumeControlId});
        sourcePorts_.push_back(port.name);
    }
    selectorControl_ = kSelectorControlId;
    selectorCount_ = static_cast<std::uint32_t>(count);
    return leave(true);
}

bool PortMixer::DefineRecVol() {
    const char* method = "PortMixer::DefineRecVol";
    recordingVolume_ = MixerLine();
    if (!open_ || !recordingDevice_)
        return false;
    SoundDeviceInfo info;
    std::uint32_t answer = 0;
    if (!ReadDevice(info, answer))
        return false;
    // Every device of the sound server has its own volume, so the search never has to fall
    // back to a microphone source.
    LogMethod(method, "Get wave in volume");
    LogMethod(method, "Wave in volume founded");
    recordingVolume_ = MixerLine{info.description, kRecordingLineId, kRecordingVolumeControlId};
    return true;
}

int PortMixer::GetVolume(std::uint32_t control) {
    const char* method = "PortMixer::GetVolume";
    if (!open_ || control == kNoMixerId)
        return -1;
    std::uint32_t answer = kAnswerInvalControl;
    std::uint32_t value = 0;
    SoundDirection direction =
        recordingDevice_ ? SoundDirection::Recording : SoundDirection::Playback;
    std::uint32_t deviceControl =
        recordingDevice_ ? kRecordingVolumeControlId : kPlaybackVolumeControlId;
    if (control == deviceControl) {
        if (CurrentSoundSystem().GetVolume(direction, deviceId_, value))
            return static_cast<int>(std::min(value, kMaxVolume));
        answer = kAnswerError;
    }
    LogError("Get volume Error. Return code: %u", answer);
    LogMethod(method, "error");
    return -1;
}

bool PortMixer::SetVolume(std::uint32_t control, std::uint32_t value) {
    if (!open_ || control == kNoMixerId || value > kMaxVolume)
        return false;
    std::uint32_t deviceControl =
        recordingDevice_ ? kRecordingVolumeControlId : kPlaybackVolumeControlId;
    if (control != deviceControl)
        return false;
    SoundDirection direction =
        recordingDevice_ ? SoundDirection::Recording : SoundDirection::Playback;
    return CurrentSoundSystem().SetVolume(direction, deviceId_, value);
}

bool PortMixer::GetVolControl(std::uint32_t destinationType, std::uint32_t& control) {
    control = kNoMixerId;
    if (!open_)
        return false;
    if (destinationType == kDestinationSpeakers && speakerLine_ != kNoMixerId)
        control = masterVolume_.volumeControl;
    else if (destinationType == kDestinationWaveIn && recordingLine_ != kNoMixerId)
        control = kRecordingVolumeControlId;
    return control != kNoMixerId;
}

int PortMixer::GetSelectedSource() {
    if (!open_ || !HasSelector())
        return -1;
    SoundDeviceInfo info;
    std::uint32_t answer = 0;
    if (!ReadDevice(info, answer) || info.activePort.empty())
        return -1;
    for (std::size_t i = 0; i < sourcePorts_.size(); ++i) {
        if (sourcePorts_[i] == info.activePort)
            return static_cast<int>(i);
    }
    return -1;
}

bool PortMixer::SelectSource(int index) {
    if (!open_ || index < 0 || static_cast<std::uint32_t>(index) >= selectorCount_)
        return false;
    return CurrentSoundSystem().SetActivePort(SoundDirection::Recording, deviceId_,
                                              sourcePorts_[static_cast<std::size_t>(index)]);
}

std::string PortMixer::GetSelectedSourceName() {
    int selected = GetSelectedSource();
    if (selected >= 0)
        return sources_[static_cast<std::size_t>(selected)].name;
    if (recordingVolume_.volumeControl != kNoMixerId)
        return recordingVolume_.name;
    return LoadStr(kNoSourcesText);
}

std::vector<MixerLine> PortMixer::GetInputSources() const {
    if (HasSelector())
        return sources_;
    if (recordingVolume_.volumeControl != kNoMixerId)
        return {recordingVolume_};
    return {MixerLine{LoadStr(kNoSourcesText), kNoMixerId, kNoMixerId}};
}

std::uint32_t PortMixer::RecordingControl() {
    int selected = GetSelectedSource();
    if (selected >= 0)
        return sources_[static_cast<std::size_t>(selected)].volumeControl;
    return recordingVolume_.volumeControl;
}

bool PortMixer::GetRecordingVolume(std::uint32_t& value) {
    if (!open_)
        return false;
    std::uint32_t control = RecordingControl();
    if (control == kNoMixerId)
        return false;
    int volume = GetVolume(control);
    if (volume < 0)
        return false;
    value = static_cast<std::uint32_t>(volume);
    return true;
}

bool PortMixer::SetRecordingVolume(std::uint32_t value) {
    if (!open_)
        return false;
    std::uint32_t control = RecordingControl();
    if (control == kNoMixerId)
        return false;
    return SetVolume(control, value);
}

bool FindMicLine(PortMixer& mixer, std::string& name) {
    static constexpr std::array<const char*, 5> kMicrophoneNames = {"microphone", "microfon", "mic",
                                                                    "mikro", "micro"};
    LogMethod("FindMicLine");
    for (const MixerLine& source : mixer.GetInputSources()) {
        for (const char* microphone : kMicrophoneNames) {
            if (EqualsIgnoringCase(source.name, microphone)) {
                name = source.name;
                return true;
            }
        }
    }
    return false;
}

bool FindMicLine(const std::string& deviceName, std::string& name) {
    const char* method = "FindMicLine";
    LogScope scope(method, "\"%s\"", deviceName.c_str());
    name.clear();
    bool result = false;
    std::uint32_t mixerId = kNoMixerId;
    if (GetMixerIdForDevice(deviceName, kLookupRecording, mixerId) == kMmeSuccess) {
        PortMixer mixer;
        if (mixer.Open(mixerId, 0, nullptr)) {
            result = FindMicLine(mixer, name);
            mixer.Close();
        } else {
            MyError("%s", LoadStr(kOpenInputMixerErrorText).c_str())
                .Show(msgbox::kOk | msgbox::kIconStop);
        }
    }
    scope.SetResult(result);
    return result;
}

MmeErrorNum GetMixerIdForDevice(const std::string& deviceName, std::uint32_t direction,
                                std::uint32_t& mixerId) {
    mixerId = kNoMixerId;
    if (direction != kLookupRecording && direction != kLookupPlayback)
        return kMmeBadParam;
    int device = -2;
    MmeErrorNum result = PaGetDevNByName(deviceName, direction, device);
    if (result != kMmeSuccess)
        return result;
    std::uint32_t id = MixerIdFor(direction, device);
    if (id == kNoMixerId)
        return kMmeBadParam;
    mixerId = id;
    return kMmeSuccess;
}
