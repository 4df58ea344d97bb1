// Scheduling priority of the calling thread.
#pragma once

namespace platform {

// Raises the calling thread above the process's other threads, as far as the user may:
// a nice value of -10, or the lowest the user's RLIMIT_NICE allows. Not real-time scheduling,
// so that a plug-in stuck in a loop cannot freeze the desktop. False when it stays as it was.
bool RaiseCurrentThreadPriority();

} // namespace platform
