// Placeholder until the sound server's device model lands: no devices, nothing changes.
#include "platform/sound_server.h"

namespace platform {
namespace {
class NoSoundServer : public SoundSystem {
public:
    bool ListDevices(SoundDirection, std::vector<SoundDeviceInfo>& devices) override {
        devices.clear();
        return false;
    }
    bool GetDefault(SoundDirection, std::string&) override { return false; }
    bool SetDefault(SoundDirection, const std::string&) override { return false; }
    bool SetActivePort(SoundDirection, const std::string&, const std::string&) override {
        return false;
    }
    bool GetVolume(SoundDirection, const std::string&, std::uint32_t&) override { return false; }
    bool SetVolume(SoundDirection, const std::string&, std::uint32_t) override { return false; }
};
} // namespace

SoundSystem& SoundServerSystem() {
    static NoSoundServer system;
    return system;
}
} // namespace platform
