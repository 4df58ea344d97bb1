#include "x11_editor_window.h"

#include <xcb/xcb.h>

#include <cstdlib>

bool XEditorWindow::Open(std::uint32_t parent, int width, int height) {
    Close();
    connection_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection_) != 0) {
        xcb_disconnect(connection_);
        connection_ = nullptr;
        return false;
    }
    width_ = width;
    height_ = height;
    window_ = xcb_generate_id(connection_);
    const std::uint32_t events = XCB_EVENT_MASK_EXPOSURE;
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, parent, 0, 0,
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    gc_ = xcb_generate_id(connection_);
    xcb_create_gc(connection_, gc_, window_, 0, nullptr);
    xcb_map_window(connection_, window_);
    xcb_flush(connection_);
    return true;
}

void XEditorWindow::Idle() {
    if (connection_ == nullptr)
        return;
    bool exposed = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        exposed |= (event->response_type & 0x7f) == XCB_EXPOSE;
        std::free(event);
    }
    if (exposed)
        Paint();
}

void XEditorWindow::Resize(int width, int height) {
    if (connection_ == nullptr)
        return;
    width_ = width;
    height_ = height;
    const std::uint32_t size[] = {static_cast<std::uint32_t>(width),
                                  static_cast<std::uint32_t>(height)};
    xcb_configure_window(connection_, window_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         size);
    Paint();
}

void XEditorWindow::Close() {
    if (connection_ == nullptr)
        return;
    xcb_free_gc(connection_, gc_);
    xcb_destroy_window(connection_, window_);
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    xcb_disconnect(connection_);
    connection_ = nullptr;
    window_ = 0;
}

void XEditorWindow::Paint() {
    // Four vertical bands of the panel's colours (24-bit true-colour pixels).
    static const std::uint32_t kBands[] = {0x171a21, 0x3fb6ff, 0x46e08a, 0xff6b5e};
    const int bands = 4;
    for (int i = 0; i < bands; ++i) {
        xcb_change_gc(connection_, gc_, XCB_GC_FOREGROUND, &kBands[i]);
        const xcb_rectangle_t band = {static_cast<std::int16_t>(width_ * i / bands), 0,
                                      static_cast<std::uint16_t>(width_ / bands + 1),
                                      static_cast<std::uint16_t>(height_)};
        xcb_poly_fill_rectangle(connection_, window_, gc_, 1, &band);
    }
    xcb_flush(connection_);
}
