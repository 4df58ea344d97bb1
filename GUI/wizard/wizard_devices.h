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

class PortMixer;

// The recording lines of a device's mixer as a device choice shows them.
struct RecordingLines {
    bool mixerOpen = false;         // the device has a mixer and it opened
    std::vector<std::string> names; // the mixer's recording sources
    bool micFound = false;          // one of them is the microphone (FindMicLine)
    int chosen = -1;                // the line to show; -1 when there is none
};

// Opens mixer (closed first) on the recording device deviceNumber and reads its lines. The
// chosen line is the microphone when micFirst and there is one, else the line named
// configured, else the microphone, else the mixer's selected line, else the first.
// Command thread; may block.
RecordingLines ReadRecordingLines(PortMixer& mixer, int deviceNumber, const std::string& configured,
                                  bool micFirst);
