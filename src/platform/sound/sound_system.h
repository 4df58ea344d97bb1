// The sound server's device model as the rest of the system sees it: recording and playback
// devices in the server's list order, the default device of each direction, a device's ports
// (the recording source selector) and its volume. The sound server implements it; tests
// install their own model.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class SoundDirection : std::uint32_t { Playback = 0, Recording = 1 };

struct SoundPortInfo {
    std::string name;        // the server's name of the port
    std::string description; // what users see ("Microphone", "Line In")
};

struct SoundDeviceInfo {
    std::string id;          // the server's own name of the device; stable while it exists
    std::string description; // what users see ("Voxwarp Microphone"); the device's name here
    std::vector<SoundPortInfo> ports; // in the server's order; empty when it has none
    std::string activePort;           // name of the active port; empty when none
};

// Every call may talk to the sound server and block briefly; none is real-time safe. False
// means the server could not be reached or refused the request.
class SoundSystem {
public:
    virtual ~SoundSystem() = default;
    // Recording devices are the sources that are not monitors of a playback device.
    virtual bool ListDevices(SoundDirection direction, std::vector<SoundDeviceInfo>& devices) = 0;
    virtual bool GetDefault(SoundDirection direction, std::string& id) = 0;
    virtual bool SetDefault(SoundDirection direction, const std::string& id) = 0;
    virtual bool SetActivePort(SoundDirection direction, const std::string& id,
                               const std::string& port) = 0;
    // The device volume scaled to 0..65535 (the average of its channels).
    virtual bool GetVolume(SoundDirection direction, const std::string& id,
                           std::uint32_t& volume) = 0;
    // Sets every channel; values above 65535 are refused.
    virtual bool SetVolume(SoundDirection direction, const std::string& id,
                           std::uint32_t volume) = 0;
};

// The process's sound system: the sound server unless a test installed another one.
SoundSystem& CurrentSoundSystem();
// Installs a model (not owned); nullptr goes back to the sound server.
void SetSoundSystem(SoundSystem* system);
