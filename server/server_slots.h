// Slot numbers that arrive with commands are checked before they reach the routing stream.
#pragma once

#include <string>

#include "base/mlog.h"

// Whether slot lies in 0..count-1 (or is -1 where "none" is allowed). Logs a slot it refuses.
inline bool AcceptSlot(const char* method, int slot, int count, bool noneAllowed = false) {
    if ((slot >= 0 && slot < count) || (noneAllowed && slot == -1))
        return true;
    LogWarning("%s: slot %d does not exist, command ignored", method, slot);
    return false;
}

// Whether name names a file inside a sound folder: no folder separator, not "." or "..".
// Logs a name it refuses; the caller reports it as a file that cannot be opened.
inline bool AcceptFileName(const char* method, const std::string& name) {
    if (name.find('/') == std::string::npos && name != "." && name != "..")
        return true;
    LogWarning("%s: \"%s\" is not a file of the sound folder", method, name.c_str());
    return false;
}
