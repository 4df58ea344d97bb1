// What voxwarpctl keeps in config.ini after the voice server carried out a command, as the
// control panel keeps its choices: the active effect and background, the effect slots, the
// background slots' files and volumes, the monitor switch and level, the fun sound slots. A
// reload or a rebuild of the server then comes back with the same choices.
#pragma once

#include <cstdint>
#include <ostream>

#include "config/config.h"
#include "ctl_commands.h"

namespace voxwarpctl {

// Passes ok on; when false, says on err that config.ini could not be written.
bool ConfigWritten(bool ok, const AppConfig& config, std::ostream& err);

// Stores the change that command code made with the converted arguments, writing only the keys
// it changes (crash-safe); every other line of config.ini stays as it stands. Commands that
// change nothing stored return true at once. False, with the reason on err, when config.ini
// could not be written; a change that config.ini cannot hold is left out with a note on err.
bool StoreCtlChange(std::uint32_t code, const CtlValues& values, AppConfig& config,
                    std::ostream& err);

} // namespace voxwarpctl
