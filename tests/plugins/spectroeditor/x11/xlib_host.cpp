#include "xlib_host.h"

#include <X11/Xutil.h>

#include "child_process.h"

#include <chrono>
#include <thread>

namespace {

// Where the pointer rests after each click or drag: a corner of the window where no control
// is, so that none is drawn lit for the mouse.
const char kRestingPlace[] = "1 1";

XlibHost* g_host = nullptr; // the callback has no context of its own before the effect exists

int Run(const std::string& command) {
    return testsupport::RunShell(command);
}

} // namespace

XlibHost::XlibHost(AEffectEntryProc entry, int width, int height) : width_(width), height_(height) {
    g_host = this;
    display_ = XOpenDisplay(nullptr);
    if (display_ != nullptr) {
        const int screen = DefaultScreen(display_);
        window_ = XCreateSimpleWindow(display_, RootWindow(display_, screen), 0, 0,
                                      static_cast<unsigned>(width), static_cast<unsigned>(height),
                                      0, 0, BlackPixel(display_, screen));
        XSelectInput(display_, window_, StructureNotifyMask);
        XMapRaised(display_, window_);
        for (XEvent event; XNextEvent(display_, &event), event.type != MapNotify;) {
        }
    }
    effect_ = entry(&XlibHost::Callback);
    if (effect_ != nullptr) {
        effect_->user = this;
        dispatch(effOpen);
        dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        dispatch(effSetBlockSize, 0, 256);
        dispatch(effMainsChanged, 0, 1);
    }
}

XlibHost::~XlibHost() {
    if (effect_ != nullptr) {
        dispatch(effMainsChanged, 0, 0);
        dispatch(effClose);
    }
    if (display_ != nullptr) {
        if (window_ != 0)
            destroyWindow();
        XCloseDisplay(display_);
    }
    g_host = nullptr;
}

intptr_t XlibHost::Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                            void* ptr, float opt) {
    (void)value, (void)ptr;
    XlibHost* host = effect != nullptr && effect->user != nullptr
                         ? static_cast<XlibHost*>(effect->user)
                         : g_host;
    if (opcode == audioMasterVersion)
        return 2400;
    if (host == nullptr)
        return 0;
    std::lock_guard<std::mutex> hold(host->lock_);
    if (opcode == audioMasterAutomate)
        host->automated_.push_back({index, opt});
    else if (opcode == audioMasterBeginEdit)
        host->edits_.push_back("begin " + std::to_string(index));
    else if (opcode == audioMasterEndEdit)
        host->edits_.push_back("end " + std::to_string(index));
    return 0;
}

intptr_t XlibHost::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

intptr_t XlibHost::openEditor() {
    // The window id as the pointer, the display as the value, as hosts on X11 pass them.
    return dispatch(effEditOpen, 0, reinterpret_cast<intptr_t>(display_),
                    reinterpret_cast<void*>(static_cast<std::uintptr_t>(window_)));
}

void XlibHost::idle() {
    dispatch(effEditIdle);
}

void XlibHost::closeEditor() {
    dispatch(effEditClose);
}

bool XlibHost::idleUntil(const std::function<bool()>& done, int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (true) {
        idle();
        XSync(display_, False);
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void XlibHost::click(int x, int y) {
    const std::string window = " --window " + std::to_string(window_) + " ";
    Run("xdotool mousemove --sync" + window + std::to_string(x) + " " + std::to_string(y) +
        " click 1 mousemove" + window + kRestingPlace);
}

void XlibHost::drag(int x, int y, int toX, int toY) {
    const std::string window = " --window " + std::to_string(window_) + " ";
    Run("xdotool mousemove --sync" + window + std::to_string(x) + " " + std::to_string(y) +
        " mousedown 1 mousemove --sync" + window + std::to_string((x + toX) / 2) + " " +
        std::to_string((y + toY) / 2) + " mousemove --sync" + window + std::to_string(toX) + " " +
        std::to_string(toY) + " mouseup 1 mousemove" + window + kRestingPlace);
}

void XlibHost::point(int x, int y) {
    Run("xdotool mousemove --sync --window " + std::to_string(window_) + " " + std::to_string(x) +
        " " + std::to_string(y));
}

void XlibHost::keys(const std::string& names) {
    Run("xdotool key " + names);
}

std::vector<std::uint32_t> XlibHost::grab() const {
    std::vector<std::uint32_t> pixels;
    XImage* image = XGetImage(display_, window_, 0, 0, static_cast<unsigned>(width_),
                              static_cast<unsigned>(height_), AllPlanes, ZPixmap);
    if (image == nullptr)
        return pixels;
    pixels.reserve(static_cast<std::size_t>(width_) * height_);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xffffff);
    XDestroyImage(image);
    return pixels;
}

void XlibHost::destroyWindow() {
    // A click gives the editor the keyboard, which falls back to this window and then to
    // nothing when it goes; the keyboard follows the pointer again for the tests after.
    XSetInputFocus(display_, PointerRoot, RevertToPointerRoot, CurrentTime);
    XDestroyWindow(display_, window_);
    XSync(display_, False);
    window_ = 0;
}

int XlibHost::childWindows() const {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display_, window_, &root, &parent, &children, &count) == 0)
        return -1;
    if (children != nullptr)
        XFree(children);
    return static_cast<int>(count);
}

std::vector<XlibHost::Automation> XlibHost::automated() const {
    std::lock_guard<std::mutex> hold(lock_);
    return automated_;
}

std::vector<std::string> XlibHost::edits() const {
    std::lock_guard<std::mutex> hold(lock_);
    return edits_;
}
