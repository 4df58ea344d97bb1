// Where voxwarpctl sends its commands: the client side of the command protocol, one operation
// per command, each true when the server answered. The running program sends through the
// channel to the server; tests record the calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace voxwarpctl {

class CtlSender {
public:
    virtual ~CtlSender() = default;

    virtual bool SrvUpdate() = 0;
    virtual bool SrvGetErrors(std::vector<std::string>& errors) = 0;
    virtual bool MonitorSet(bool on) = 0;
    virtual bool MonitorSetVol(std::uint8_t volume) = 0;
    virtual bool CliOnStarted() = 0;
    virtual bool CliOnClose() = 0;
    virtual bool EffectSetActive(std::int32_t slot) = 0;
    virtual bool EffectSelect(std::int32_t slot, const std::string& name) = 0;
    virtual bool BackSoundSetActive(std::int32_t slot) = 0;
    virtual bool BackSoundSelect(std::int32_t slot, const std::string& fileName) = 0;
    virtual bool BackSoundSetVol(std::int32_t slot, std::uint8_t volume) = 0;
    virtual bool EmoticPlay(std::int32_t slot) = 0;
    virtual bool EmoticStop(std::int32_t slot) = 0;
    virtual bool EmoticSelect(std::int32_t slot, const std::string& fileName) = 0;
    virtual bool EmoticStopAll() = 0;
    virtual bool EmoticsStatus(std::vector<bool>& playing) = 0;
};

} // namespace voxwarpctl
