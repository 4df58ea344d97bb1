// Global hot keys on X11 through xcb: passive key grabs on the root window. The connection is
// passed as an opaque pointer (an xcb_connection_t*), so that users need no X11 headers.
#pragma once

#include "platform/global_hotkeys.h"

#include <cstdint>
#include <memory>

namespace platform {

// The hot keys on the connection's root window rootWindow. The connection must outlive the
// object and is used from one thread at a time; a null or broken connection (or root 0) gives an
// object whose Available() is false and whose grabs answer NotAvailable. Each combination is
// grabbed in four variants: no lock key, Num Lock, Caps Lock, both (the Num Lock modifier bit is
// read from the server's modifier mapping). The destructor releases every grab.
std::unique_ptr<GlobalHotKeys> CreateXcbGlobalHotKeys(void* connection, std::uint32_t rootWindow);

// The root window of the connection's default screen (the one $DISPLAY names; the first when
// that screen is not there); 0 for a null or broken connection.
std::uint32_t XcbDefaultRootWindow(void* connection);

// The modifier mask (XCB_MOD_MASK_1..5) that Num Lock is mapped to; 0 when none is or for a null
// or broken connection.
std::uint16_t XcbNumLockMask(void* connection);

} // namespace platform
