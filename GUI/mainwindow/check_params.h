// The check of the sound devices the configuration names, run each time the voice server starts:
// the first problem found is the one the user is warned about.
#pragma once

#include <string>
#include <vector>

class AppConfig;

// The names of the sound system's devices.
struct SoundDeviceNames {
    std::vector<std::string> recording;
    std::vector<std::string> playback;
};

// The devices of the sound system now. GUI thread; may block briefly.
SoundDeviceNames ReadSoundDeviceNames();

// The warning for the first problem, in this order: the virtual microphone missing (text 189);
// no devices at all, none for recording, none for playback (190-192); the configured recording
// or monitor device not found (193 with 194 or 195 and the name). A device is found as the
// sound system finds it: the first whose name contains the configured one; an empty name is
// never found. Empty when everything is in place. Any thread.
std::string CheckParams(const AppConfig& config, const SoundDeviceNames& devices);
