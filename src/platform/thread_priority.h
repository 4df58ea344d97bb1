// Scheduling priority of the calling thread.
#pragma once

namespace platform {

// Raises the calling thread above the process's other threads, as far as the user may:
// a nice value of -10, or the lowest the user's RLIMIT_NICE allows. Not real-time scheduling,
// so that a plug-in stuck in a loop cannot freeze the desktop. False when it stays as it was.
bool RaiseCurrentThreadPriority();

// Puts the calling thread below the process's other threads (nice +10), for long work that
// must not take time from the audio threads. It cannot be undone: use a thread of its own.
bool LowerCurrentThreadPriority();

} // namespace platform
