// voxwarpctl's library commands, which work on the program folder and need no voice server:
// "import plugin|background|fun FILE" stores a plug-in or a sound as the control panel's import
// does, and "library" lists the voice effects with their plug-ins, then the plug-ins, background
// sounds and fun sounds found in the folders.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "config/config.h"

namespace voxwarpctl {

// A library operation failed; the message says why.
constexpr int kExitLibrary = 4;

// True when word names a library command ("import", "library").
bool IsLibraryCommand(const std::string& word);

// args: the command and its arguments ("import", "fun", "laugh.wav"). A relative FILE is taken
// from the current folder. config names the program folder and holds the voice effects. Returns
// the exit code.
int RunLibraryCommand(const std::vector<std::string>& args, AppConfig& config, std::ostream& out,
                      std::ostream& err);

// The help lines of these commands, each "  USAGE<padding>DESCRIPTION\n", padded to column.
std::string LibraryCommandsHelp(std::size_t column);

} // namespace voxwarpctl
