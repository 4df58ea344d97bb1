// Errors of the X window system that plug-in editors meet on their own display connections.
// Xlib's error handlers are process-wide, and Xlib's defaults end the whole process: a plug-in
// that draws into a window its host has just destroyed would take the control panel down. The
// handlers installed here report the error and let the program go on. The implementation is in
// platform/desktop (the only X11 code).
#pragma once

namespace platform {

// Receives one line of text about an X error; called on the thread that met the error, inside
// Xlib, so it must not call Xlib itself.
using XErrorReporter = void (*)(const char* text);

// Installs process-wide Xlib handlers that pass each protocol error to report instead of ending
// the process; after many errors only a note that further ones are not reported follows. A lost
// display connection is reported too, but Xlib cannot survive it: the handler that was there
// before (the toolkit's) then runs, else Xlib ends the process. Calling it again puts the
// handlers back in place after a plug-in replaced them. GUI thread.
void InstallXErrorHandlers(XErrorReporter report);

} // namespace platform
