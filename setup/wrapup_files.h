// The file system as Wrapup uses it: the current folder here, and whole-file reads and
// crash-safe writes from the common runtime's atomic file module (compiled into Wrapup, which
// links nothing of the common runtime).
#pragma once

#include <string>

#include "platform/atomic_file.h"

// The current folder, ending in '/'. False when it cannot be obtained (it was removed, say).
bool CurrentFolder(std::string& folder);
