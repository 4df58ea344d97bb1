// XcbWindow: the editor's X11 window, a child of the host's window on a display connection of
// its own (XCB: no process-wide error handler is involved, and a lost server or a destroyed
// window only shows as Gone(), never ends the host). It turns X events into WindowEvents and
// puts pictures of 0x00RRGGBB pixels on the screen in any true-colour visual.
// One thread at a time; the editor keeps to that.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "spectro_controls.h"

struct xcb_connection_t;

namespace spectro {

struct WindowEvent {
    enum class Kind { Press, Release, Motion, Leave, Key, Expose, FocusIn, FocusOut, Gone };
    Kind kind;
    int x = 0, y = 0;
    int button = 0;         // Press / Release: 1 left, 2 middle, 3 right, 4/5 wheel up/down
    unsigned modifiers = 0; // X modifier state (shift 1, control 4)
    std::uint32_t keysym = 0;
    Rect area{}; // Expose
};

class XcbWindow {
public:
    XcbWindow() = default;
    ~XcbWindow() { Close(); }
    XcbWindow(const XcbWindow&) = delete;
    XcbWindow& operator=(const XcbWindow&) = delete;

    // Connects to $DISPLAY and shows a width x height window at the top-left of parent, filled
    // with background (0xRRGGBB) until the first picture. False when the server cannot be
    // reached, the parent is no window, or the screen has no true-colour visual.
    bool Open(std::uint32_t parent, int width, int height, std::uint32_t background);
    // Hands every event that arrived to sink without waiting for more.
    void Pump(const std::function<void(const WindowEvent&)>& sink);
    // Puts area of a width x height picture at the same place in the window.
    void Put(const std::uint32_t* pixels, int width, int height, const Rect& area);
    // Makes the window the keyboard's target (after a click in it).
    void TakeFocus();
    // Destroys the window, waits until the server did, and closes the connection.
    void Close();

    // The window or the connection is gone (the host destroyed its window, the server ended).
    bool Gone() const;
    // The connection's descriptor, readable when events arrive.
    int Descriptor() const;

private:
    bool FindFormat();
    void LoadKeyboard();
    std::uint32_t KeysymOf(std::uint8_t keycode, unsigned modifiers) const;
    std::uint32_t Convert(std::uint32_t rgb) const;

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t window_ = 0;
    std::uint32_t gc_ = 0;
    std::uint8_t depth_ = 0;
    std::uint32_t visual_ = 0;
    std::uint32_t colormap_ = 0;
    int bitsPerPixel_ = 0;
    int scanlinePad_ = 32;
    bool lsbFirst_ = true;
    std::uint32_t masks_[3] = {};
    std::uint32_t maxRequestBytes_ = 0;
    bool gone_ = false;
    // Keyboard: keycode -> keysyms (unshifted, shifted).
    std::uint8_t minKeycode_ = 0;
    int keysymsPerCode_ = 0;
    std::vector<std::uint32_t> keysyms_;
    std::vector<std::uint8_t> buffer_; // one request's pixels
};

} // namespace spectro
