#include "xcb_window.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <bit>
#include <cstdlib>

namespace spectro {

namespace {

constexpr std::uint8_t kBadWindow = 3;
constexpr std::uint8_t kBadDrawable = 9;

xcb_screen_t* ScreenOf(xcb_connection_t* connection, int number) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; it.rem > 0; xcb_screen_next(&it), ++i)
        if (i == number)
            return it.data;
    return nullptr;
}

} // namespace

bool XcbWindow::Open(std::uint32_t parent, int width, int height, std::uint32_t background) {
    Close();
    int screenNumber = 0;
    connection_ = xcb_connect(nullptr, &screenNumber);
    xcb_screen_t* screen =
        xcb_connection_has_error(connection_) == 0 ? ScreenOf(connection_, screenNumber) : nullptr;
    if (screen == nullptr || parent == 0 || width <= 0 || height <= 0) {
        Close();
        return false;
    }
    depth_ = screen->root_depth;
    visual_ = screen->root_visual;
    colormap_ = screen->default_colormap;
    if (!FindFormat()) {
        Close();
        return false;
    }
    maxRequestBytes_ = xcb_get_maximum_request_length(connection_) * 4;

    // The screen's own visual and colour map, so that a host window of another depth (a 32-bit
    // ARGB one) still takes the child; the background is the editor's until the first picture.
    window_ = xcb_generate_id(connection_);
    const std::uint32_t events = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                 XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
                                 XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_STRUCTURE_NOTIFY |
                                 XCB_EVENT_MASK_FOCUS_CHANGE;
    const std::uint32_t values[] = {Convert(background), 0, events, colormap_};
    const xcb_void_cookie_t created = xcb_create_window_checked(
        connection_, depth_, window_, parent, 0, 0, static_cast<std::uint16_t>(width),
        static_cast<std::uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, visual_,
        XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK | XCB_CW_COLORMAP, values);
    if (xcb_generic_error_t* error = xcb_request_check(connection_, created)) {
        std::free(error);
        window_ = 0;
        Close();
        return false;
    }
    gc_ = xcb_generate_id(connection_);
    const std::uint32_t noExposures = 0;
    xcb_create_gc(connection_, gc_, window_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    LoadKeyboard();
    xcb_map_window(connection_, window_);
    xcb_flush(connection_);
    return true;
}

bool XcbWindow::FindFormat() {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    lsbFirst_ = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem > 0;
         xcb_format_next(&formats)) {
        if (formats.data->depth == depth_) {
            bitsPerPixel_ = formats.data->bits_per_pixel;
            scanlinePad_ = formats.data->scanline_pad;
        }
    }
    if (bitsPerPixel_ != 16 && bitsPerPixel_ != 24 && bitsPerPixel_ != 32)
        return false;
    for (auto screens = xcb_setup_roots_iterator(setup); screens.rem > 0;
         xcb_screen_next(&screens)) {
        for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem > 0;
             xcb_depth_next(&depths)) {
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem > 0;
                 xcb_visualtype_next(&visuals)) {
                const xcb_visualtype_t* v = visuals.data;
                if (v->visual_id != visual_)
                    continue;
                if (v->_class != XCB_VISUAL_CLASS_TRUE_COLOR &&
                    v->_class != XCB_VISUAL_CLASS_DIRECT_COLOR)
                    return false;
                masks_[0] = v->red_mask;
                masks_[1] = v->green_mask;
                masks_[2] = v->blue_mask;
                return masks_[0] != 0 && masks_[1] != 0 && masks_[2] != 0;
            }
        }
    }
    return false;
}

void XcbWindow::LoadKeyboard() {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    minKeycode_ = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
        connection_,
        xcb_get_keyboard_mapping(connection_, minKeycode_, static_cast<std::uint8_t>(count)),
        nullptr);
    keysyms_.clear();
    keysymsPerCode_ = 0;
    if (reply == nullptr)
        return;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
    const int length = xcb_get_keyboard_mapping_keysyms_length(reply);
    keysymsPerCode_ = reply->keysyms_per_keycode;
    keysyms_.assign(syms, syms + std::max(length, 0));
    std::free(reply);
}

std::uint32_t XcbWindow::KeysymOf(std::uint8_t keycode, unsigned modifiers) const {
    if (keysymsPerCode_ <= 0 || keycode < minKeycode_)
        return 0;
    const std::size_t at = static_cast<std::size_t>(keycode - minKeycode_) * keysymsPerCode_;
    if (at >= keysyms_.size())
        return 0;
    const bool shift = (modifiers & XCB_MOD_MASK_SHIFT) != 0;
    if (shift && keysymsPerCode_ > 1 && at + 1 < keysyms_.size() && keysyms_[at + 1] != 0)
        return keysyms_[at + 1];
    return keysyms_[at];
}

std::uint32_t XcbWindow::Convert(std::uint32_t rgb) const {
    if (masks_[0] == 0xff0000 && masks_[1] == 0xff00 && masks_[2] == 0xff)
        return rgb & 0xffffff;
    std::uint32_t pixel = 0;
    for (int channel = 0; channel < 3; ++channel) {
        const std::uint32_t mask = masks_[channel];
        if (mask == 0)
            continue;
        const unsigned value = (rgb >> (16 - 8 * channel)) & 0xff;
        const int shift = std::countr_zero(mask);
        const std::uint32_t top = mask >> shift;
        pixel |= ((value * top + 127) / 255 << shift) & mask;
    }
    return pixel;
}

void XcbWindow::Pump(const std::function<void(const WindowEvent&)>& sink) {
    if (connection_ == nullptr)
        return;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        WindowEvent out{WindowEvent::Kind::Gone};
        bool deliver = true;
        switch (event->response_type & 0x7f) {
        case 0: { // an error of one of our requests
            const auto* error = reinterpret_cast<xcb_generic_error_t*>(event);
            const bool ours = error->resource_id == window_;
            deliver = ours &&
                      (error->error_code == kBadWindow || error->error_code == kBadDrawable) &&
                      !gone_;
            gone_ = gone_ || deliver;
            break;
        }
        case XCB_EXPOSE: {
            const auto* e = reinterpret_cast<xcb_expose_event_t*>(event);
            out.kind = WindowEvent::Kind::Expose;
            out.area = {e->x, e->y, e->x + e->width, e->y + e->height};
            break;
        }
        case XCB_BUTTON_PRESS:
        case XCB_BUTTON_RELEASE: {
            const auto* e = reinterpret_cast<xcb_button_press_event_t*>(event);
            out.kind = (event->response_type & 0x7f) == XCB_BUTTON_PRESS
                           ? WindowEvent::Kind::Press
                           : WindowEvent::Kind::Release;
            out.x = e->event_x;
            out.y = e->event_y;
            out.button = e->detail;
            out.modifiers = e->state;
            break;
        }
        case XCB_MOTION_NOTIFY: {
            const auto* e = reinterpret_cast<xcb_motion_notify_event_t*>(event);
            out.kind = WindowEvent::Kind::Motion;
            out.x = e->event_x;
            out.y = e->event_y;
            out.modifiers = e->state;
            break;
        }
        case XCB_LEAVE_NOTIFY:
            out.kind = WindowEvent::Kind::Leave;
            break;
        case XCB_KEY_PRESS: {
            const auto* e = reinterpret_cast<xcb_key_press_event_t*>(event);
            out.kind = WindowEvent::Kind::Key;
            out.modifiers = e->state;
            out.keysym = KeysymOf(e->detail, e->state);
            break;
        }
        case XCB_FOCUS_IN:
        case XCB_FOCUS_OUT:
            out.kind = (event->response_type & 0x7f) == XCB_FOCUS_IN ? WindowEvent::Kind::FocusIn
                                                                     : WindowEvent::Kind::FocusOut;
            break;
        case XCB_DESTROY_NOTIFY:
            deliver =
                reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == window_ && !gone_;
            gone_ = gone_ || deliver;
            break;
        case XCB_MAPPING_NOTIFY:
            LoadKeyboard();
            deliver = false;
            break;
        default:
            deliver = false;
            break;
        }
        std::free(event);
        if (deliver)
            sink(out);
    }
    if (xcb_connection_has_error(connection_) != 0 && !gone_) {
        gone_ = true;
        sink(WindowEvent{WindowEvent::Kind::Gone});
    }
}

void XcbWindow::Put(const std::uint32_t* pixels, int width, int height, const Rect& area) {
    if (connection_ == nullptr || Gone())
        return;
    const int left = std::max(area.left, 0), right = std::min(area.right, width);
    const int top = std::max(area.top, 0), bottom = std::min(area.bottom, height);
    if (right <= left || bottom <= top)
        return;
    const int columns = right - left;
    const int bytes = bitsPerPixel_ / 8;
    const int rowBytes =
        (columns * bitsPerPixel_ + scanlinePad_ - 1) / scanlinePad_ * scanlinePad_ / 8;
    // Whole rows per request, within the server's request length (a 24-byte header).
    const int rowsPerRequest =
        std::max(1, static_cast<int>((maxRequestBytes_ - 24) / static_cast<unsigned>(rowBytes)));
    for (int y = top; y < bottom; y += rowsPerRequest) {
        const int rows = std::min(rowsPerRequest, bottom - y);
        buffer_.assign(static_cast<std::size_t>(rowBytes) * rows, 0);
        for (int row = 0; row < rows; ++row) {
            std::uint8_t* out = buffer_.data() + static_cast<std::size_t>(row) * rowBytes;
            const std::uint32_t* in = pixels + static_cast<std::size_t>(y + row) * width + left;
            for (int x = 0; x < columns; ++x, out += bytes) {
                const std::uint32_t pixel = Convert(in[x]);
                for (int b = 0; b < bytes; ++b)
                    out[b] =
                        static_cast<std::uint8_t>(pixel >> (8 * (lsbFirst_ ? b : bytes - 1 - b)));
            }
        }
        xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_,
                      static_cast<std::uint16_t>(columns), static_cast<std::uint16_t>(rows),
                      static_cast<std::int16_t>(left), static_cast<std::int16_t>(y), 0, depth_,
                      static_cast<std::uint32_t>(buffer_.size()), buffer_.data());
    }
    xcb_flush(connection_);
}

void XcbWindow::TakeFocus() {
    if (connection_ == nullptr || Gone())
        return;
    xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_PARENT, window_, XCB_CURRENT_TIME);
    xcb_flush(connection_);
}

bool XcbWindow::Gone() const {
    return gone_ || (connection_ != nullptr && xcb_connection_has_error(connection_) != 0);
}

int XcbWindow::Descriptor() const {
    return connection_ != nullptr ? xcb_get_file_descriptor(connection_) : -1;
}

void XcbWindow::Close() {
    if (connection_ != nullptr) {
        if (xcb_connection_has_error(connection_) == 0) {
            // Errors for a window its host already destroyed come back as events nobody reads.
            if (gc_ != 0)
                xcb_free_gc(connection_, gc_);
            if (window_ != 0)
                xcb_destroy_window(connection_, window_);
            std::free(
                xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
        }
        xcb_disconnect(connection_);
    }
    connection_ = nullptr;
    window_ = gc_ = 0;
    gone_ = false;
    keysyms_.clear();
    buffer_.clear();
    buffer_.shrink_to_fit();
}

} // namespace spectro
