// The command codes of the control channel between the control panel and the voice server.
#pragma once

#include <cstdint>

enum PnIpcCommand : std::uint32_t {
    kCmdSrvUpdate = 101,
    kCmdSrvGetErrors = 102,
    kCmdMonitorSet = 103,
    kCmdMonitorSetVol = 104,
    kCmdCliOnStarted = 105,
    kCmdCliOnClose = 106,
    kCmdEffectSetActive = 201,
    kCmdEffectSelect = 202,
    kCmdBackSoundSetActive = 301,
    kCmdBackSoundSelect = 302,
    kCmdBackSoundSetVol = 303,
    kCmdEmoticPlay = 401,
    kCmdEmoticStop = 402,
    kCmdEmoticSelect = 403,
    kCmdEmoticStopAll = 405,
    kCmdEmoticsStatus = 406,
};

// Number of fun-sound slots reported by EmoticsStatus.
constexpr int kFunSlots = 60;
