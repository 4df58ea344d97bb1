#include "teststream/test_stream_devices.h"

#include "audio/sound_devices.h"
#include "base/mlog.h"
#include "teststream/test_stream.h"

namespace {

// The configured device of a direction, else the default one, else the first that is not the
// virtual microphone; -2 when there is none.
int ListeningDevice(const std::string& configured, std::uint32_t lookup, std::uint32_t direction,
                    const char* user) {
    int device = -2;
    if (!configured.empty() && PaGetDevNByName(configured, lookup, device) == kMmeSuccess)
        return device;
    const CSoundDevices devices(direction);
    int index = devices.GetDefaultIndex();
    if (index < 0 || devices.GetName(index).find(kVirtualCardName) != std::string::npos) {
        index = -1;
        for (int i = 0; i < devices.GetCount() && index < 0; ++i)
            if (devices.GetName(i).find(kVirtualCardName) == std::string::npos)
                index = i;
    }
    const char* kind = lookup == kLookupRecording ? "recording" : "playback";
    if (index < 0) {
        LogWarning("%s: no %s device for listening", user, kind);
        return -2;
    }
    LogPlain("%s: %s device \"%s\" not configured; listening through \"%s\"", user, kind,
             configured.c_str(), devices.GetName(index).c_str());
    return devices.GetDeviceNumber(index);
}

} // namespace

bool OpenTestStreamOn(TestStream& stream, const TestStreamDevices& devices, const char* user) {
    const int input =
        ListeningDevice(devices.input, kLookupRecording, kSoundDevicesRecording, user);
    const int output =
        ListeningDevice(devices.monitor, kLookupPlayback, kSoundDevicesPlayback, user);
    if (input < 0 || output < 0) {
        LogWarning("%s: no live listening", user);
        return false;
    }
    const MmeErrorNum opened =
        stream.OpenStream(input, output, devices.mixInSrc, devices.bufferMs, devices.bufferCount);
    if (opened != kMmeSuccess) {
        LogWarning("%s: no live listening: %s", user, MmeErrorText(opened).c_str());
        return false;
    }
    return true;
}
