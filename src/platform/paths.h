// Where the running program lives.
#pragma once

#include <string>

namespace platform {

// Full path of the running executable.
std::string ExecutablePath();

// Folder of the running executable, ending in '/'.
std::string ExecutableFolder();

} // namespace platform
