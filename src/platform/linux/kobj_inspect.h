// A look into the object table, for tests that must know that another process is waiting.
#pragma once

#include "platform/kobjects.h"

namespace platform::kobj {

// How many threads of live processes wait for the object right now; -1 for a bad handle.
int WaitingThreads(Waitable& object);

} // namespace platform::kobj
