// The X11 window of the test plug-ins' editor: a child of the host's window on a display
// connection of its own (xcb), painted with coloured bands, as a plug-in editor does it.
#pragma once

#include <cstdint>

struct xcb_connection_t;

class XEditorWindow {
public:
    XEditorWindow() = default;
    ~XEditorWindow() { Close(); }
    XEditorWindow(const XEditorWindow&) = delete;
    XEditorWindow& operator=(const XEditorWindow&) = delete;

    // Connects to $DISPLAY and shows a width x height window inside parent; false when it could
    // not.
    bool Open(std::uint32_t parent, int width, int height);
    // Handles the window's events: paints it when it is exposed.
    void Idle();
    void Resize(int width, int height);
    // Destroys the window and closes the connection.
    void Close();
    std::uint32_t Id() const { return window_; }

private:
    void Paint();

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t window_ = 0;
    std::uint32_t gc_ = 0;
    int width_ = 0;
    int height_ = 0;
};
