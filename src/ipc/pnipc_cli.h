// The client side of the command protocol: one method per command. Each returns true when the
// server answered in time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class IPC;

class PnIpcCli {
public:
    // channel: an open client channel, owned by the caller.
    explicit PnIpcCli(IPC* channel) : channel_(channel) {}

    bool SrvUpdate();
    // Appends the server's load errors to errors.
    bool SrvGetErrors(std::vector<std::string>& errors);
    bool MonitorSet(bool on);
    bool MonitorSetVol(std::uint8_t volume);
    bool CliOnStarted();
    bool CliOnClose();
    bool EffectSetActive(std::int32_t slot);
    bool EffectSelect(std::int32_t slot, const std::string& name);
    bool BackSoundSetActive(std::int32_t slot);
    bool BackSoundSelect(std::int32_t slot, const std::string& fileName);
    bool BackSoundSetVol(std::int32_t slot, std::uint8_t volume);
    bool EmoticPlay(std::int32_t slot);
    bool EmoticStop(std::int32_t slot);
    bool EmoticSelect(std::int32_t slot, const std::string& fileName);
    bool EmoticStopAll();
    // Appends one flag per fun slot to playing.
    bool EmoticsStatus(std::vector<bool>& playing);

private:
    IPC* channel_;
};
