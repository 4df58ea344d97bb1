// Slot numbers that arrive with commands are checked before they reach the routing stream.
#pragma once

#include "mlog.h"

// Whether slot lies in 0..count-1 (or is -1 where "none" is allowed). Logs a slot it refuses.
inline bool AcceptSlot(const char* method, int slot, int count, bool noneAllowed = false) {
    if ((slot >= 0 && slot < count) || (noneAllowed && slot == -1))
        return true;
    LogWarning("%s: slot %d does not exist, command ignored", method, slot);
    return false;
}
