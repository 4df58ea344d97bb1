// The stream engine's back end over the sound server: one connection (main loop thread and
// context) per back-end object, one server stream per open device.
#include <mutex>
#include <string>
#include <vector>

#include "base/mlog.h"
#include "platform/sound/linux/pulse_connection.h"
#include "platform/sound/linux/pulse_stream_device.h"
#include "platform/sound/sound_server.h"

namespace platform {
namespace {

class PulseStreamBackend : public AudioBackend {
public:
    DeviceResult Open(DeviceDirection direction, int device, const PcmFormat& format,
                      std::shared_ptr<EngineMailbox> mailbox,
                      std::unique_ptr<AudioDevice>& opened) override {
        const bool eightBit = format.bitsPerSample == 8 && format.blockAlign == 1;
        const bool sixteenBit = format.bitsPerSample == 16 && format.blockAlign == 2;
        if (mailbox == nullptr || (!eightBit && !sixteenBit) || format.sampleRate == 0 ||
            format.sampleRate > PA_RATE_MAX) {
            LogError("Sound server stream: unsupported format (%u bits, %u Hz)",
                     static_cast<unsigned>(format.bitsPerSample), format.sampleRate);
            return kDevInvalidParam;
        }
        std::shared_ptr<PulseConnection> connection = Connection();
        if (connection == nullptr)
            return kDevNoDriver;
        std::string id;
        DeviceResult found = DeviceId(direction, device, id);
        if (found != kDevOk)
            return found;
        return PulseStreamDevice::Open(std::move(connection), direction, id, format,
                                       std::move(mailbox), opened);
    }

private:
    // The connection, made again when the server went away since the last open.
    std::shared_ptr<PulseConnection> Connection() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (connection_ != nullptr && connection_->IsReady())
            return connection_;
        // Streams still open on a dead connection keep it alive until they close.
        auto connection = std::make_shared<PulseConnection>();
        std::string error;
        if (!connection->Connect("Voxwarp", error)) {
            LogError("Sound server: %s", error.c_str());
            connection_.reset();
            return nullptr;
        }
        connection_ = connection;
        return connection_;
    }

    // The server's name of device number device of the direction's list; -1 is the default
    // device of the direction (empty id: the server's default when it names none).
    static DeviceResult DeviceId(DeviceDirection direction, int device, std::string& id) {
        const SoundDirection list = direction == DeviceDirection::Capture
                                        ? SoundDirection::Recording
                                        : SoundDirection::Playback;
        id.clear();
        if (device == -1) {
            if (!SoundServerSystem().GetDefault(list, id))
                id.clear();
            return kDevOk;
        }
        std::vector<SoundDeviceInfo> devices;
        if (device < 0)
            return kDevBadDeviceId;
        if (!SoundServerSystem().ListDevices(list, devices)) {
            LogError("Sound server: the device list cannot be read");
            return kDevNoDriver;
        }
        if (static_cast<std::size_t>(device) >= devices.size())
            return kDevBadDeviceId;
        id = devices[static_cast<std::size_t>(device)].id;
        return kDevOk;
    }

    std::mutex mutex_;
    std::shared_ptr<PulseConnection> connection_;
};

} // namespace

std::unique_ptr<AudioBackend> CreateSoundServerBackend() {
    return std::make_unique<PulseStreamBackend>();
}

} // namespace platform
