// The devices the setup wizard offers: the recording or playback devices of the sound system
// without the virtual microphone "Voxwarp Microphone". Its playback side is where the voice
// server writes and its capture side is what chat programs record, so it is never the
// microphone nor the headset. No Qt here.
#pragma once

#include <string>
#include <vector>

struct WizardDevice {
    std::string name; // the device's name as the configuration stores it
    int deviceNumber = -1;
};

// Whether a device name is one of the virtual microphone's devices. Any thread.
bool IsVirtualCardName(const std::string& name);

// The devices of direction (kSoundDevicesRecording or kSoundDevicesPlayback) in the sound
// system's order, the virtual microphone's left out; defaultNumber, when given, receives the
// device number of the system's default device (-1 when unknown). Command thread; may block.
std::vector<WizardDevice> WizardDevices(unsigned direction, int* defaultNumber = nullptr);

// The index in devices of the first whose name contains wanted (the configuration's way of
// naming devices), else of the device numbered defaultNumber, else 0; -1 for an empty list.
int PreferredDevice(const std::vector<WizardDevice>& devices, const std::string& wanted,
                    int defaultNumber);
