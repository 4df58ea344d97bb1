#include "wizard/wizard_devices.h"

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
