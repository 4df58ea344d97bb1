#include "wizard/wizard_devices.h"

#include "audio/mixer.h"
#include "audio/sound_devices.h"

bool IsVirtualCardName(const std::string& name) {
    return name.find(kVirtualCardName) != std::string::npos;
}

std::vector<WizardDevice> WizardDevices(unsigned direction, int* defaultNumber) {
    CSoundDevices list(direction);
    if (defaultNumber != nullptr)
        *defaultNumber = list.GetDeviceNumber(list.GetDefaultIndex());
    std::vector<WizardDevice> devices;
    for (int i = 0; i < list.GetCount(); ++i) {
        std::string name = list.GetName(i);
        if (name.empty() || IsVirtualCardName(name))
            continue;
        devices.push_back(WizardDevice{std::move(name), list.GetDeviceNumber(i)});
    }
    return devices;
}

int PreferredDevice(const std::vector<WizardDevice>& devices, const std::string& wanted,
                    int defaultNumber) {
    if (devices.empty())
        return -1;
    if (!wanted.empty()) {
        for (std::size_t i = 0; i < devices.size(); ++i)
            if (devices[i].name.find(wanted) != std::string::npos)
                return static_cast<int>(i);
    }
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (devices[i].deviceNumber == defaultNumber)
            return static_cast<int>(i);
    return 0;
}

RecordingLines ReadRecordingLines(PortMixer& mixer, int deviceNumber, const std::string& configured,
                                  bool micFirst) {
    RecordingLines lines;
    mixer.Close();
    const std::uint32_t mixerId = MixerIdFor(kLookupRecording, deviceNumber);
    if (mixerId == kNoMixerId || !mixer.Open(mixerId, 0, nullptr))
        return lines;
    lines.mixerOpen = true;
    for (const MixerLine& line : mixer.GetInputSources())
        lines.names.push_back(line.name);
    if (lines.names.empty())
        return lines;
    auto indexOf = [&lines](const std::string& name) {
        for (std::size_t i = 0; i < lines.names.size(); ++i)
            if (!name.empty() && lines.names[i] == name)
                return static_cast<int>(i);
        return -1;
    };
    std::string micLine;
    lines.micFound = FindMicLine(mixer, micLine);
    const int mic = lines.micFound ? indexOf(micLine) : -1;
    const int stored = indexOf(configured);
    lines.chosen = micFirst && mic >= 0 ? mic : stored >= 0 ? stored : mic;
    if (lines.chosen < 0)
        lines.chosen = mixer.GetSelectedSource();
    if (lines.chosen < 0 || lines.chosen >= static_cast<int>(lines.names.size()))
        lines.chosen = 0;
    return lines;
}
