#include "platform/desktop/xcb_global_hotkeys.h"

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xproto.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace platform {

namespace {

constexpr xcb_keysym_t kXkNumLock = 0xff7f;
// The modifier bits a key press is matched on: Shift, Lock, Control, Mod1..Mod5 (the pointer
// button bits above them never count).
constexpr std::uint16_t kKeyModifierBits = 0x00ff;

bool Live(xcb_connection_t* c) {
    return c != nullptr && xcb_connection_has_error(c) == 0;
}

// The key codes of a key symbol on the current keyboard mapping; none when it has no key.
std::vector<xcb_keycode_t> KeyCodesOf(xcb_key_symbols_t* syms, xcb_keysym_t keysym) {
    std::vector<xcb_keycode_t> codes;
    if (syms == nullptr || keysym == 0)
        return codes;
    xcb_keycode_t* list = xcb_key_symbols_get_keycode(syms, keysym);
    if (list == nullptr)
        return codes;
    for (const xcb_keycode_t* k = list; *k != XCB_NO_SYMBOL; ++k)
        if (std::find(codes.begin(), codes.end(), *k) == codes.end())
            codes.push_back(*k);
    std::free(list);
    return codes;
}

std::uint16_t NumLockMaskOf(xcb_connection_t* c, xcb_key_symbols_t* syms) {
    const std::vector<xcb_keycode_t> numLockCodes = KeyCodesOf(syms, kXkNumLock);
    if (numLockCodes.empty())
        return 0;
    xcb_get_modifier_mapping_reply_t* reply =
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
    if (reply == nullptr)
        return 0;
    std::uint16_t mask = 0;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
    const int perModifier = reply->keycodes_per_modifier;
    const int length = xcb_get_modifier_mapping_keycodes_length(reply);
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const int at = modifier * perModifier + i;
            if (at >= length)
                break;
            if (std::find(numLockCodes.begin(), numLockCodes.end(), codes[at]) !=
                numLockCodes.end())
                mask |= static_cast<std::uint16_t>(1u << modifier);
        }
    }
    std::free(reply);
    // Only a Mod1..Mod5 bit is a lock bit to ignore; Num Lock on Shift, Lock or Control would
    // make those unusable.
    return mask &
           (XCB_MOD_MASK_1 | XCB_MOD_MASK_2 | XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5);
}

class XcbGlobalHotKeys final : public GlobalHotKeys {
public:
    XcbGlobalHotKeys(xcb_connection_t* connection, xcb_window_t root)
        : conn_(Live(connection) && root != 0 ? connection : nullptr), root_(root) {
        if (conn_ == nullptr)
            return;
        syms_ = xcb_key_symbols_alloc(conn_);
        numLock_ = NumLockMaskOf(conn_, syms_);
    }

    ~XcbGlobalHotKeys() override {
        ReleaseAll();
        if (syms_ != nullptr)
            xcb_key_symbols_free(syms_);
    }

    XcbGlobalHotKeys(const XcbGlobalHotKeys&) = delete;
    XcbGlobalHotKeys& operator=(const XcbGlobalHotKeys&) = delete;

    bool Available() const override { return Live(conn_) && syms_ != nullptr; }

    GrabResult Grab(int id, unsigned modifiers, unsigned keysym) override {
        if (!Available())
            return GrabResult::NotAvailable;
        Release(id);
        const std::vector<xcb_keycode_t> codes = KeyCodesOf(syms_, keysym);
        if (codes.empty())
            return GrabResult::NoKey;
        std::uint16_t mods = 0;
        if (modifiers & kAlt)
            mods |= XCB_MOD_MASK_1;
        if (modifiers & kCtrl)
            mods |= XCB_MOD_MASK_CONTROL;
        if (modifiers & kShift)
            mods |= XCB_MOD_MASK_SHIFT;
        // The same client grabbing a combination again only replaces its grab: refuse it here.
        for (const Entry& e : entries_)
            if (e.modifiers == mods)
                for (xcb_keycode_t code : codes)
                    if (std::find(e.codes.begin(), e.codes.end(), code) != e.codes.end())
                        return GrabResult::Taken;

        struct Pending {
            xcb_keycode_t code;
            std::uint16_t modifiers;
            xcb_void_cookie_t cookie;
        };
        std::vector<Pending> pending;
        for (xcb_keycode_t code : codes)
            for (std::uint16_t variant : LockVariants()) {
                const std::uint16_t m = mods | variant;
                pending.push_back({code, m,
                                   xcb_grab_key_checked(conn_, 0, root_, m, code,
                                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)});
            }
        std::vector<Pending> taken;
        GrabResult result = GrabResult::Grabbed;
        for (const Pending& p : pending) {
            xcb_generic_error_t* error = xcb_request_check(conn_, p.cookie);
            if (error == nullptr) {
                taken.push_back(p);
                continue;
            }
            if (result == GrabResult::Grabbed)
                result = error->error_code == XCB_ACCESS ? GrabResult::Taken : GrabResult::Failed;
            std::free(error);
        }
        if (!Live(conn_))
            return GrabResult::NotAvailable;
        if (result != GrabResult::Grabbed) {
            std::vector<xcb_void_cookie_t> cookies;
            for (const Pending& p : taken)
                cookies.push_back(xcb_ungrab_key_checked(conn_, p.code, root_, p.modifiers));
            Settle(cookies);
            return result;
        }
        entries_.push_back({id, mods, codes});
        return GrabResult::Grabbed;
    }

    void Release(int id) override {
        auto it = std::find_if(entries_.begin(), entries_.end(),
                               [id](const Entry& e) { return e.id == id; });
        if (it == entries_.end())
            return;
        std::vector<xcb_void_cookie_t> cookies;
        if (Live(conn_))
            Ungrab(*it, cookies);
        entries_.erase(it);
        Settle(cookies);
    }

    void ReleaseAll() override {
        std::vector<xcb_void_cookie_t> cookies;
        if (Live(conn_))
            for (const Entry& e : entries_)
                Ungrab(e, cookies);
        entries_.clear();
        Settle(cookies);
    }

    int Dispatch(const void* nativeEvent) override {
        if (nativeEvent == nullptr || !Available())
            return -1;
        const auto* event = static_cast<const xcb_generic_event_t*>(nativeEvent);
        const std::uint8_t type = event->response_type & ~0x80;
        if (type == XCB_MAPPING_NOTIFY) {
            // Keep the symbol table current for later grabs (the event is not changed).
            xcb_refresh_keyboard_mapping(
                syms_, const_cast<xcb_mapping_notify_event_t*>(
                           reinterpret_cast<const xcb_mapping_notify_event_t*>(event)));
            return -1;
        }
        if (type != XCB_KEY_PRESS)
            return -1;
        const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (press->event != root_)
            return -1;
        const std::uint16_t state =
            press->state & kKeyModifierBits & ~(numLock_ | XCB_MOD_MASK_LOCK);
        for (const Entry& e : entries_)
            if (e.modifiers == state &&
                std::find(e.codes.begin(), e.codes.end(), press->detail) != e.codes.end())
                return e.id;
        return -1;
    }

private:
    struct Entry {
        int id;
        std::uint16_t modifiers; // without lock bits
        std::vector<xcb_keycode_t> codes;
    };

    // The lock-key variants of every grab: none, Num Lock, Caps Lock, both (two when Num Lock
    // has no modifier bit).
    std::vector<std::uint16_t> LockVariants() const {
        std::vector<std::uint16_t> variants{0};
        if (numLock_ != 0)
            variants.push_back(numLock_);
        variants.push_back(XCB_MOD_MASK_LOCK);
        if (numLock_ != 0)
            variants.push_back(static_cast<std::uint16_t>(numLock_ | XCB_MOD_MASK_LOCK));
        return variants;
    }

    void Ungrab(const Entry& e, std::vector<xcb_void_cookie_t>& cookies) {
        for (xcb_keycode_t code : e.codes)
            for (std::uint16_t variant : LockVariants())
                cookies.push_back(xcb_ungrab_key_checked(
                    conn_, code, root_, static_cast<std::uint16_t>(e.modifiers | variant)));
    }

    // Waits until the server has handled the requests, so that another client grabbing the
    // released combinations right after this call gets them.
    void Settle(const std::vector<xcb_void_cookie_t>& cookies) {
        for (xcb_void_cookie_t cookie : cookies)
            if (xcb_generic_error_t* error = xcb_request_check(conn_, cookie))
                std::free(error);
    }

    xcb_connection_t* conn_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_key_symbols_t* syms_ = nullptr;
    std::uint16_t numLock_ = 0;
    std::vector<Entry> entries_;
};

} // namespace

std::unique_ptr<GlobalHotKeys> CreateXcbGlobalHotKeys(void* connection, std::uint32_t rootWindow) {
    return std::make_unique<XcbGlobalHotKeys>(static_cast<xcb_connection_t*>(connection),
                                              rootWindow);
}

std::uint32_t XcbDefaultRootWindow(void* connection) {
    auto* c = static_cast<xcb_connection_t*>(connection);
    if (!Live(c))
        return 0;
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0)
        screen = 0;
    std::free(host);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    const xcb_window_t first = it.rem > 0 ? it.data->root : 0;
    for (int i = 0; it.rem > 0; xcb_screen_next(&it), ++i)
        if (i == screen)
            return it.data->root;
    return first;
}

std::uint16_t XcbNumLockMask(void* connection) {
    auto* c = static_cast<xcb_connection_t*>(connection);
    if (!Live(c))
        return 0;
    xcb_key_symbols_t* syms = xcb_key_symbols_alloc(c);
    const std::uint16_t mask = NumLockMaskOf(c, syms);
    xcb_key_symbols_free(syms);
    return mask;
}

} // namespace platform
