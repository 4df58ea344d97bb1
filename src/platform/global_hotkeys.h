// System-wide hot keys: key combinations that reach this program whichever window has the
// keyboard focus. The interface carries no window-system types; the X11 implementation is in
// platform/desktop (xcb_global_hotkeys.h).
#pragma once

namespace platform {

enum class GrabResult {
    Grabbed,      // the combination now reaches this program
    NotAvailable, // no window-system connection that supports global hot keys
    NoKey,        // no key (an empty shortcut), or no key on this keyboard for the symbol
    Taken,        // another client, or another identifier of this object, holds the combination
    Failed,       // the window system refused for another reason
};

inline const char* GrabResultText(GrabResult result) {
    switch (result) {
    case GrabResult::Grabbed:
        return "grabbed";
    case GrabResult::NotAvailable:
        return "not available";
    case GrabResult::NoKey:
        return "no key";
    case GrabResult::Taken:
        return "taken";
    case GrabResult::Failed:
        return "failed";
    }
    return "failed";
}

class GlobalHotKeys {
public:
    // Modifier bits of Grab: the keyboard module's shortcut modifiers.
    static constexpr unsigned kAlt = 1;
    static constexpr unsigned kCtrl = 2;
    static constexpr unsigned kShift = 4;

    virtual ~GlobalHotKeys() = default;

    // Whether hot keys can be grabbed at all; false without a live window-system connection.
    virtual bool Available() const = 0;
    // Grabs the combination of modifiers (kAlt | kCtrl | kShift) and key symbol (an X11 keysym)
    // under the identifier id, whatever lock keys (Num Lock, Caps Lock) are on. A grab the
    // identifier already held is released first. Keysym 0 is refused (NoKey). When the window
    // system refuses a part of the grab, the parts already taken are released again.
    virtual GrabResult Grab(int id, unsigned modifiers, unsigned keysym) = 0;
    // Releases the identifier's grab; nothing when it holds none.
    virtual void Release(int id) = 0;
    virtual void ReleaseAll() = 0;
    // The identifier whose combination a native event (an xcb_generic_event_t on X11) is the
    // key press of, or -1 for any other event. Lock keys are ignored when matching.
    virtual int Dispatch(const void* nativeEvent) = 0;
};

} // namespace platform
