// voxwarpctl's sound card commands: the recording and monitor devices the voice server uses, as
// the setup wizard stores them in the configuration. "cards" prints them; "cards input NAME" and
// "cards monitor NAME" store a device of the sound server (an empty NAME stores none). A running
// voice server takes them up on "voxwarpctl update".
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "config/config.h"
#include "platform/sound/sound_system.h"

namespace voxwarpctl {

// True when word names the sound card command ("cards").
bool IsCardsCommand(const std::string& word);

// args: "cards" and its arguments. A stored NAME must be a device of the direction in system's
// list (the recording list for input, the playback list for monitor); the virtual microphone is
// refused for both. Returns the exit code.
int RunCardsCommand(const std::vector<std::string>& args, AppConfig& config, SoundSystem& system,
                    std::ostream& out, std::ostream& err);

// The help lines of these commands, each "  USAGE<padding>DESCRIPTION\n", padded to column.
std::string CardsCommandsHelp(std::size_t column);

} // namespace voxwarpctl
