// A sound system held in memory for tests: devices, defaults, ports and volumes that the test
// sets up and inspects, and a switch that makes the server unreachable. Installed for the
// lifetime of a ScopedSoundSystem.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/sound/sound_system.h"

namespace testaudio {

class FakeSoundSystem : public SoundSystem {
public:
    // Devices in list order; defaults and volumes by device id.
    std::vector<SoundDeviceInfo> playback;
    std::vector<SoundDeviceInfo> recording;
    std::string defaultPlayback;
    std::string defaultRecording;
    std::map<std::pair<SoundDirection, std::string>, std::uint32_t> volumes;

    bool reachable = true; // false: every call fails as if the server were gone
    bool refuseSetDefault = false;
    int listCalls = 0;
    int listCallsLeft = -1; // >= 0: ListDevices fails once this many calls have answered

    SoundDeviceInfo& Add(SoundDirection direction, const std::string& id,
                         const std::string& description, std::vector<SoundPortInfo> ports = {},
                         const std::string& activePort = {}, std::uint32_t volume = 32768) {
        SoundDeviceInfo device;
        device.id = id;
        device.description = description;
        device.ports = std::move(ports);
        device.activePort = activePort;
        volumes[{direction, id}] = volume;
        List(direction).push_back(std::move(device));
        return List(direction).back();
    }

    std::vector<SoundDeviceInfo>& List(SoundDirection direction) {
        return direction == SoundDirection::Playback ? playback : recording;
    }
    std::string& Default(SoundDirection direction) {
        return direction == SoundDirection::Playback ? defaultPlayback : defaultRecording;
    }
    SoundDeviceInfo* Find(SoundDirection direction, const std::string& id) {
        for (SoundDeviceInfo& device : List(direction)) {
            if (device.id == id)
                return &device;
        }
        return nullptr;
    }

    bool ListDevices(SoundDirection direction, std::vector<SoundDeviceInfo>& devices) override {
        ++listCalls;
        devices.clear();
        if (listCallsLeft == 0)
            return false;
        if (listCallsLeft > 0)
            --listCallsLeft;
        if (!reachable)
            return false;
        devices = List(direction);
        return true;
    }
    bool GetDefault(SoundDirection direction, std::string& id) override {
        if (!reachable)
            return false;
        id = Default(direction);
        return true;
    }
    bool SetDefault(SoundDirection direction, const std::string& id) override {
        if (!reachable || refuseSetDefault || !Find(direction, id))
            return false;
        Default(direction) = id;
        return true;
    }
    bool SetActivePort(SoundDirection direction, const std::string& id,
                       const std::string& port) override {
        SoundDeviceInfo* device = reachable ? Find(direction, id) : nullptr;
        if (!device)
            return false;
        for (const SoundPortInfo& p : device->ports) {
            if (p.name == port) {
                device->activePort = port;
                return true;
            }
        }
        return false;
    }
    bool GetVolume(SoundDirection direction, const std::string& id,
                   std::uint32_t& volume) override {
        if (!reachable || !Find(direction, id))
            return false;
        volume = volumes[{direction, id}];
        return true;
    }
    bool SetVolume(SoundDirection direction, const std::string& id, std::uint32_t volume) override {
        if (!reachable || !Find(direction, id) || volume > 65535)
            return false;
        volumes[{direction, id}] = volume;
        return true;
    }
};

// Installs a model as the process's sound system and goes back to the sound server at the end.
class ScopedSoundSystem {
public:
    explicit ScopedSoundSystem(SoundSystem& system) { SetSoundSystem(&system); }
    ~ScopedSoundSystem() { SetSoundSystem(nullptr); }
    ScopedSoundSystem(const ScopedSoundSystem&) = delete;
    ScopedSoundSystem& operator=(const ScopedSoundSystem&) = delete;
};

} // namespace testaudio
