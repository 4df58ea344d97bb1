#include "platform/x_errors.h"

#include <X11/Xlib.h>

#include <atomic>
#include <cstdio>

namespace platform {

namespace {

// Enough to find a misbehaving plug-in in the log without filling the log with it.
constexpr int kMaxReportedErrors = 100;

std::atomic<XErrorReporter> gReport{nullptr};
std::atomic<int> gReported{0};
// The lost-connection handler found at the first installation (the toolkit's, which stays
// loaded); a handler installed later by a plug-in may be unloaded with it, so none is kept.
XIOErrorHandler gPreviousIoHandler = nullptr;
bool gInstalled = false;

void Report(const char* text) {
    if (XErrorReporter report = gReport.load())
        report(text);
}

int OnXError(Display* display, XErrorEvent* event) {
    const int count = gReported.fetch_add(1) + 1;
    if (count > kMaxReportedErrors)
        return 0;
    if (count == kMaxReportedErrors) {
        Report("X error: further errors are not reported");
        return 0;
    }
    char name[160] = {};
    XGetErrorText(display, event->error_code, name, sizeof name);
    char text[320];
    std::snprintf(text, sizeof text, "X error: %s (request %u.%u, resource 0x%lx)", name,
                  static_cast<unsigned>(event->request_code),
                  static_cast<unsigned>(event->minor_code), event->resourceid);
    Report(text);
    return 0;
}

int OnXIoError(Display* display) {
    Report("X error: the connection to the X display was lost");
    if (gPreviousIoHandler != nullptr)
        return gPreviousIoHandler(display);
    return 0; // Xlib ends the process when this returns
}

} // namespace

void InstallXErrorHandlers(XErrorReporter report) {
    gReport.store(report);
    XSetErrorHandler(OnXError);
    XIOErrorHandler previous = XSetIOErrorHandler(OnXIoError);
    if (!gInstalled && previous != OnXIoError)
        gPreviousIoHandler = previous;
    gInstalled = true;
}

} // namespace platform
