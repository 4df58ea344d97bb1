// voxwarpctl's sound server commands: they work with the user's sound server directly and need
// no voice server. "devices" lists the recording and playback devices; "vcard install",
// "vcard remove" and "vcard status" manage the virtual microphone.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/sound/sound_system.h"

namespace voxwarpctl {

// The sound server could not be reached or refused the change.
constexpr int kExitSoundServer = 3;

// True when word names a sound server command ("devices", "vcard").
bool IsSoundCommand(const std::string& word);

// args: the command and its arguments ("vcard", "status"). The device list comes from system;
// the virtual microphone is the sound server's. Output goes to out, messages to err. Returns
// the exit code.
int RunSoundCommand(const std::vector<std::string>& args, SoundSystem& system, std::ostream& out,
                    std::ostream& err);

// The help lines of these commands, each "  USAGE<padding>DESCRIPTION\n", padded to column.
std::string SoundCommandsHelp(std::size_t column);

// One line per device, recording devices first, in list order: "recording: NAME" or
// "playback: NAME", with " (default)" after the default device of each direction.
std::string FormatDeviceList(const std::vector<SoundDeviceInfo>& recording,
                             const std::string& defaultRecording,
                             const std::vector<SoundDeviceInfo>& playback,
                             const std::string& defaultPlayback);

} // namespace voxwarpctl
