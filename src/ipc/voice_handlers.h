// The voice server's command handlers, as the command table calls them. The voice server
// implements this interface; tests use a recording fake.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class VoiceServerHandlers {
public:
    virtual ~VoiceServerHandlers() = default;

    virtual void SrvUpdate() = 0;
    // Returns the load errors and empties the list.
    virtual std::vector<std::string> SrvGetErrors() = 0;
    virtual void MonitorSet(std::uint8_t on) = 0;
    virtual void MonitorSetVol(std::uint8_t volume) = 0;
    virtual void CliOnStarted() = 0;
    virtual void CliOnClose() = 0;
    virtual void EffectSetActive(std::int32_t slot) = 0;
    virtual void EffectSelect(std::int32_t slot, const std::string& name) = 0;
    virtual void SoundSetActive(std::int32_t slot) = 0;
    virtual void SoundSelect(std::int32_t slot, const std::string& fileName) = 0;
    virtual void SoundSetVol(std::int32_t slot, std::uint8_t volume) = 0;
    virtual void EmoticPlay(std::int32_t slot) = 0;
    virtual void EmoticStop(std::int32_t slot) = 0;
    virtual void EmoticSelect(std::int32_t slot, const std::string& fileName) = 0;
    virtual void EmoticStopAll() = 0;
    // One flag per fun slot (kFunSlots), true while the slot plays.
    virtual std::vector<bool> EmoticsStatus() = 0;
};
