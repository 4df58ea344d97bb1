// Another client (a plug-in on its own display connection) may use a window only after the X
// server has created it; requests of different connections reach the server in no fixed order.
#pragma once

namespace platform {

// Sends what the connection (an xcb_connection_t*) has buffered and waits until the server has
// handled it; false for a null or broken connection. GUI thread.
bool XcbRoundTrip(void* connection);

} // namespace platform
