// The sound server's device model over libpulse: playback devices are sinks, recording devices
// are the sources that are not monitors of a sink, both in the server's index order.
#include <cmath>
#include <mutex>

#include "base/mlog.h"
#include "platform/sound/linux/pulse_requests.h"
#include "platform/sound/sound_server.h"

namespace platform {
namespace {

constexpr std::uint32_t kMaxVolume = 65535;

// The device volume (the average of its channels) on the scale 0..65535, where the server's
// normal volume is 65535; amplification above normal reads as 65535.
std::uint32_t ToScaled(const pa_cvolume& volume) {
    double value = static_cast<double>(pa_cvolume_avg(&volume)) * kMaxVolume / PA_VOLUME_NORM;
    return value >= kMaxVolume ? kMaxVolume : static_cast<std::uint32_t>(std::lround(value));
}

pa_volume_t FromScaled(std::uint32_t volume) {
    return static_cast<pa_volume_t>(
        std::lround(static_cast<double>(volume) * PA_VOLUME_NORM / kMaxVolume));
}

const char* DirectionName(SoundDirection direction) {
    return direction == SoundDirection::Playback ? "playback" : "recording";
}

// The devices of one direction as the model lists them.
bool QueryDevices(PulseConnection& connection, SoundDirection direction,
                  std::vector<PulseDevice>& devices) {
    if (direction == SoundDirection::Playback) {
        return QuerySinks(connection, devices);
    }
    if (!QuerySources(connection, devices)) {
        return false;
    }
    std::erase_if(devices, [](const PulseDevice& device) { return device.isMonitor; });
    return true;
}

// The listed device with this id, or false when the direction has none.
bool FindDevice(PulseConnection& connection, SoundDirection direction, const std::string& id,
                PulseDevice& found) {
    std::vector<PulseDevice> devices;
    if (id.empty() || !QueryDevices(connection, direction, devices)) {
        return false;
    }
    for (PulseDevice& device : devices) {
        if (device.name == id) {
            found = std::move(device);
            return true;
        }
    }
    return false;
}

class PulseSoundSystem : public SoundSystem {
public:
    bool ListDevices(SoundDirection direction, std::vector<SoundDeviceInfo>& devices) override {
        devices.clear();
        std::vector<PulseDevice> found;
        if (!Run("ListDevices", direction, "", [&](PulseConnection& connection) {
                return QueryDevices(connection, direction, found);
            })) {
            return false;
        }
        for (PulseDevice& device : found) {
            devices.push_back({std::move(device.name), std::move(device.description),
                               std::move(device.ports), std::move(device.activePort)});
        }
        return true;
    }

    bool GetDefault(SoundDirection direction, std::string& id) override {
        PulseServerInfo info;
        if (!Run("GetDefault", direction, "",
                 [&](PulseConnection& connection) { return QueryServerInfo(connection, info); })) {
            return false;
        }
        id = direction == SoundDirection::Playback ? info.defaultSink : info.defaultSource;
        return !id.empty();
    }

    bool SetDefault(SoundDirection direction, const std::string& id) override {
        return Run("SetDefault", direction, id, [&](PulseConnection& connection) {
            // Some servers accept any name as the configured default; only listed devices are.
            PulseDevice device;
            if (!FindDevice(connection, direction, id, device)) {
                return false;
            }
            return RequestSucceeds(connection, [&](pa_context_success_cb_t done, void* data) {
                return direction == SoundDirection::Playback
                           ? pa_context_set_default_sink(connection.Context(), id.c_str(), done,
                                                         data)
                           : pa_context_set_default_source(connection.Context(), id.c_str(), done,
                                                           data);
            });
        });
    }

    bool SetActivePort(SoundDirection direction, const std::string& id,
                       const std::string& port) override {
        return Run("SetActivePort", direction, id, [&](PulseConnection& connection) {
            PulseDevice device;
            if (!FindDevice(connection, direction, id, device)) {
                return false;
            }
            bool known = false;
            for (const SoundPortInfo& info : device.ports) {
                known = known || info.name == port;
            }
            if (!known) {
                return false;
            }
            return RequestSucceeds(connection, [&](pa_context_success_cb_t done, void* data) {
                return direction == SoundDirection::Playback
                           ? pa_context_set_sink_port_by_name(connection.Context(), id.c_str(),
                                                              port.c_str(), done, data)
                           : pa_context_set_source_port_by_name(connection.Context(), id.c_str(),
                                                                port.c_str(), done, data);
            });
        });
    }

    bool GetVolume(SoundDirection direction, const std::string& id,
                   std::uint32_t& volume) override {
        PulseDevice device;
        if (!Run("GetVolume", direction, id, [&](PulseConnection& connection) {
                return FindDevice(connection, direction, id, device);
            })) {
            return false;
        }
        volume = ToScaled(device.volume);
        return true;
    }

    bool SetVolume(SoundDirection direction, const std::string& id, std::uint32_t volume) override {
        if (volume > kMaxVolume) {
            LogWarning("SoundServerSystem::SetVolume: volume %u is above %u", volume, kMaxVolume);
            return false;
        }
        return Run("SetVolume", direction, id, [&](PulseConnection& connection) {
            PulseDevice device;
            if (!FindDevice(connection, direction, id, device) ||
                !pa_cvolume_valid(&device.volume)) {
                return false;
            }
            pa_cvolume channels;
            pa_cvolume_set(&channels, device.volume.channels, FromScaled(volume));
            return RequestSucceeds(connection, [&](pa_context_success_cb_t done, void* data) {
                return direction == SoundDirection::Playback
                           ? pa_context_set_sink_volume_by_name(connection.Context(), id.c_str(),
                                                                &channels, done, data)
                           : pa_context_set_source_volume_by_name(connection.Context(), id.c_str(),
                                                                  &channels, done, data);
            });
        });
    }

private:
    // One call at a time from this model; the shared connection serialises it with the others.
    bool Run(const char* method, SoundDirection direction, const std::string& id,
             const std::function<bool(PulseConnection&)>& request) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::string error;
        if (PulseRequests::Shared().Run(request, error)) {
            return true;
        }
        LogWarning("SoundServerSystem::%s (%s \"%s\"): %s", method, DirectionName(direction),
                   id.c_str(), error.c_str());
        return false;
    }

    std::mutex mutex_;
};

} // namespace

SoundSystem& SoundServerSystem() {
    static PulseSoundSystem system;
    return system;
}

} // namespace platform
