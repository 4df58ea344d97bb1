// Starting the control panel with the user's desktop session: an XDG autostart entry,
// "$XDG_CONFIG_HOME/autostart/Voxwarp.desktop" ("~/.config/autostart/Voxwarp.desktop" when
// $XDG_CONFIG_HOME is unset or not an absolute path).
#pragma once

#include <string>

namespace platform {

// The autostart entry's file of this user.
std::string AutostartEntryPath();

// Whether the entry exists and its Exec line starts the program at path.
bool AutostartEnabled(const std::string& program);

// Writes the entry that starts the program at path (crash-safe; folders are created), or
// removes it. Returns 0, or the errno value of the failed step (EINVAL for a path that a
// desktop entry cannot hold). Removing a missing entry succeeds.
int SetAutostart(const std::string& program, bool on);

// The program path as one argument of an Exec key: double-quoted with '"', '`', '$' and '\'
// escaped, '%' doubled, then escaped as a desktop entry string value.
std::string DesktopExecArgument(const std::string& path);

// The program of an Exec value (its first argument, unquoted); empty when it is malformed.
std::string DesktopExecProgram(const std::string& exec);

} // namespace platform
