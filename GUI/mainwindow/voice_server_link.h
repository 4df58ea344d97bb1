// The voice server as the main window steers it: one call per command the window sends. The
// window holds a link only while the server runs; tests install their own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class VoiceServerLink {
public:
    virtual ~VoiceServerLink() = default;
    // Each returns false when the server did not answer. GUI thread; may block briefly.
    virtual bool CliOnStarted() = 0;
    virtual bool CliOnClose() = 0;
    virtual bool EffectSetActive(std::int32_t slot) = 0;
    virtual bool EffectSelect(std::int32_t slot, const std::string& name) = 0;
    virtual bool BackSoundSetActive(std::int32_t slot) = 0;
    virtual bool BackSoundSetVol(std::int32_t slot, std::uint8_t volume) = 0;
    virtual bool BackSoundSelect(std::int32_t slot, const std::string& fileName) = 0;
    virtual bool EmoticPlay(std::int32_t slot) = 0;
    virtual bool EmoticStop(std::int32_t slot) = 0;
    virtual bool EmoticSelect(std::int32_t slot, const std::string& fileName) = 0;
    virtual bool EmoticStopAll() = 0;
    virtual bool EmoticsStatus(std::vector<bool>& playing) = 0;
    virtual bool MonitorSet(bool on) = 0;
    virtual bool MonitorSetVol(std::uint8_t volume) = 0;
    virtual bool SrvGetErrors(std::vector<std::string>& errors) = 0;
};

// Opens a link to the running server; null, with the system's error number in error, when its
// command channel cannot be opened. GUI thread; may block briefly.
using VoiceServerLinkOpener = std::function<std::unique_ptr<VoiceServerLink>(int& error)>;

// The link over the command channel.
std::unique_ptr<VoiceServerLink> OpenIpcVoiceServerLink(int& error);
