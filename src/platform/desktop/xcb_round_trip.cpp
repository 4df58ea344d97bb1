#include "platform/desktop/xcb_round_trip.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace platform {

bool XcbRoundTrip(void* connection) {
    auto* c = static_cast<xcb_connection_t*>(connection);
    if (c == nullptr || xcb_connection_has_error(c) != 0)
        return false;
    // Any request with a reply: the server answers it after everything sent before it.
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    const bool answered = reply != nullptr;
    std::free(reply);
    return answered;
}

} // namespace platform
