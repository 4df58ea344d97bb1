// The hot keys on a real X server: key grabs fired through XTEST (xdotool), refused grabs, and
// the grabs seen from a second client.
#include "child_process.h"
#include "hotkeys/hot_keys.h"
#include "platform/desktop/xcb_global_hotkeys.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

using platform::GrabResult;

namespace {

constexpr xcb_keysym_t kXkHome = 0xff50;
constexpr xcb_keysym_t kXkF5 = 0xffc2;
constexpr xcb_keysym_t kXkF6 = 0xffc3;
constexpr xcb_keysym_t kXkF7 = 0xffc4;
constexpr xcb_keysym_t kXkF8 = 0xffc5;
constexpr xcb_keysym_t kXkF9 = 0xffc6;
constexpr xcb_keysym_t kXkKpAdd = 0xffab;
constexpr xcb_keysym_t kXkA = 0x61;

constexpr int kWaitMs = 5000;
// How long a key press that must not fire is given to arrive.
constexpr int kQuietMs = 300;

// Another X client: its own connection to the same server.
class OtherClient {
public:
    OtherClient() : conn_(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(conn_) != 0)
            return;
        root_ = platform::XcbDefaultRootWindow(conn_);
        syms_ = xcb_key_symbols_alloc(conn_);
        numLock_ = platform::XcbNumLockMask(conn_);
    }
    ~OtherClient() {
        if (syms_ != nullptr)
            xcb_key_symbols_free(syms_);
        xcb_disconnect(conn_);
    }
    OtherClient(const OtherClient&) = delete;
    OtherClient& operator=(const OtherClient&) = delete;

    bool Ok() const { return syms_ != nullptr && root_ != 0; }
    std::uint16_t NumLock() const { return numLock_; }

    // Grabs the key of keysym with exactly these X modifiers; false when the server refused.
    bool Grab(std::uint16_t modifiers, xcb_keysym_t keysym) {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(syms_, keysym);
        if (codes == nullptr)
            return false;
        const xcb_keycode_t code = codes[0];
        std::free(codes);
        xcb_generic_error_t* error = xcb_request_check(
            conn_, xcb_grab_key_checked(conn_, 0, root_, modifiers, code, XCB_GRAB_MODE_ASYNC,
                                        XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    }

    // The variants HotKeys grabs: none, Num Lock, Caps Lock, both.
    std::vector<std::uint16_t> Variants(std::uint16_t modifiers) const {
        return {modifiers, static_cast<std::uint16_t>(modifiers | numLock_),
                static_cast<std::uint16_t>(modifiers | XCB_MOD_MASK_LOCK),
                static_cast<std::uint16_t>(modifiers | numLock_ | XCB_MOD_MASK_LOCK)};
    }

    // The modifier and lock state of the keyboard now.
    std::uint16_t State() {
        xcb_query_pointer_reply_t* reply =
            xcb_query_pointer_reply(conn_, xcb_query_pointer(conn_, root_), nullptr);
        if (reply == nullptr)
            return 0;
        const std::uint16_t mask = reply->mask;
        std::free(reply);
        return mask;
    }

private:
    xcb_connection_t* conn_;
    xcb_window_t root_ = 0;
    xcb_key_symbols_t* syms_ = nullptr;
    std::uint16_t numLock_ = 0;
};

void Press(const std::string& keys) {
    ASSERT_EQ(testsupport::RunShell("xdotool key " + keys), 0) << "xdotool key " << keys;
}

// Waits until the spy holds count signals.
bool WaitForSignals(QSignalSpy& spy, int count) {
    return QTest::qWaitFor([&] { return spy.count() >= count; }, kWaitMs);
}

// Turns a lock key on for the scope and off again after it.
class LockOn {
public:
    LockOn(OtherClient& other, const std::string& key, std::uint16_t bit)
        : other_(other), key_(key), bit_(bit) {
        if ((other_.State() & bit_) == 0)
            Press(key_);
    }
    ~LockOn() {
        if ((other_.State() & bit_) != 0)
            Press(key_);
    }
    // Whether the lock is on, given the server a moment to take the key press in.
    bool IsOn() {
        return QTest::qWaitFor([this] { return (other_.State() & bit_) != 0; }, kWaitMs);
    }

private:
    OtherClient& other_;
    std::string key_;
    std::uint16_t bit_;
};

class HotKeysX11 : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(other_.Ok()) << "no second connection to the X server";
        ASSERT_NE(other_.NumLock(), 0) << "Num Lock has no modifier bit on the test server";
    }

    OtherClient other_;
};

} // namespace

TEST_F(HotKeysX11, Available) {
    HotKeys hotKeys;
    EXPECT_TRUE(hotKeys.Available());
}

TEST_F(HotKeysX11, ARegisteredShortcutFiresItsIndex) {
    HotKeys hotKeys;
    HotKeys::Texts texts;
    texts[2] = "Ctrl+F5";
    hotKeys.SetShortcuts(texts);
    EXPECT_TRUE(hotKeys.RegisterAll().empty());
    EXPECT_TRUE(hotKeys.IsRegistered(2));
    QSignalSpy spy(&hotKeys, &HotKeys::activated);
    Press("ctrl+F5");
    ASSERT_TRUE(WaitForSignals(spy, 1));
    EXPECT_EQ(spy.at(0).at(0).toInt(), 2);
    // Without its modifier the key is not the shortcut.
    Press("F5");
    QTest::qWait(kQuietMs);
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(HotKeysX11, FiresWithNumLockAndCapsLockOn) {
    HotKeys hotKeys;
    HotKeys::Texts texts;
    texts[3] = "Ctrl+F5";
    hotKeys.SetShortcuts(texts);
    ASSERT_TRUE(hotKeys.RegisterAll().empty());
    QSignalSpy spy(&hotKeys, &HotKeys::activated);
    {
        LockOn numLock(other_, "Num_Lock", other_.NumLock());
        ASSERT_TRUE(numLock.IsOn());
        Press("ctrl+F5");
        ASSERT_TRUE(WaitForSignals(spy, 1));
        {
            LockOn capsLock(other_, "Caps_Lock", XCB_MOD_MASK_LOCK);
            ASSERT_TRUE(capsLock.IsOn());
            Press("ctrl+F5");
            ASSERT_TRUE(WaitForSignals(spy, 2));
        }
    }
    EXPECT_EQ(other_.State() & (other_.NumLock() | XCB_MOD_MASK_LOCK), 0);
    {
        LockOn capsLock(other_, "Caps_Lock", XCB_MOD_MASK_LOCK);
        ASSERT_TRUE(capsLock.IsOn());
        Press("ctrl+F5");
        ASSERT_TRUE(WaitForSignals(spy, 3));
    }
    EXPECT_EQ(other_.State() & XCB_MOD_MASK_LOCK, 0);
    for (const QList<QVariant>& args : spy)
        EXPECT_EQ(args.at(0).toInt(), 3);
}

TEST_F(HotKeysX11, KeypadLettersAndNamedKeysFire) {
    HotKeys hotKeys;
    HotKeys::Texts texts;
    texts[0] = "Ctrl+Num +";
    texts[1] = "Ctrl+Alt+A";
    texts[2] = "Alt+Shift+Home";
    hotKeys.SetShortcuts(texts);
    ASSERT_TRUE(hotKeys.RegisterAll().empty());
    QSignalSpy spy(&hotKeys, &HotKeys::activated);
    Press("ctrl+KP_Add");
    ASSERT_TRUE(WaitForSignals(spy, 1));
    Press("ctrl+alt+a");
    ASSERT_TRUE(WaitForSignals(spy, 2));
    Press("alt+shift+Home");
    ASSERT_TRUE(WaitForSignals(spy, 3));
    EXPECT_EQ(spy.at(0).at(0).toInt(), 0);
    EXPECT_EQ(spy.at(1).at(0).toInt(), 1);
    EXPECT_EQ(spy.at(2).at(0).toInt(), 2);
}

TEST_F(HotKeysX11, ACombinationHeldByAnotherClientIsRefusedAndItsOtherVariantsReleased) {
    // The other client holds Ctrl+F6 with Caps Lock only: the third variant HotKeys grabs.
    ASSERT_TRUE(other_.Grab(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_LOCK, kXkF6));
    HotKeys hotKeys;
    HotKeys::Texts texts;
    texts[5] = "Ctrl+F6";
    texts[6] = "Ctrl+F7";
    hotKeys.SetShortcuts(texts);
    EXPECT_EQ(hotKeys.RegisterAll(), (std::vector<int>{5}));
    EXPECT_EQ(hotKeys.ResultAt(5), GrabResult::Taken);
    EXPECT_FALSE(hotKeys.IsRegistered(5));
    EXPECT_TRUE(hotKeys.IsRegistered(6));
    // Every variant of Ctrl+F6 is free again; those of Ctrl+F7 are held.
    for (std::uint16_t m : other_.Variants(XCB_MOD_MASK_CONTROL)) {
        if (m != (XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_LOCK)) {
            EXPECT_TRUE(other_.Grab(m, kXkF6)) << "modifiers " << m;
        }
        EXPECT_FALSE(other_.Grab(m, kXkF7)) << "modifiers " << m;
    }
}

TEST_F(HotKeysX11, TwoActionsWithTheSameShortcutOnlyTheFirstAnswers) {
    HotKeys hotKeys;
    HotKeys::Texts texts;
    texts[0] = "Ctrl+F8";
    texts[1] = "Ctrl+F8";
    hotKeys.SetShortcuts(texts);
    EXPECT_EQ(hotKeys.RegisterAll(), (std::vector<int>{1}));
    EXPECT_EQ(hotKeys.ResultAt(1), GrabResult::Taken);
    EXPECT_TRUE(hotKeys.IsRegistered(0));
    QSignalSpy spy(&hotKeys, &HotKeys::activated);
    Press("ctrl+F8");
    ASSERT_TRUE(WaitForSignals(spy, 1));
    QTest::qWait(kQuietMs);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 0);
}

TEST_F(HotKeysX11, RegisteringAgainReplacesTheGrabs) {
    HotKeys hotKeys;
    HotKeys::Texts texts;
    texts[4] = "Ctrl+F9";
    hotKeys.SetShortcuts(texts);
    ASSERT_TRUE(hotKeys.RegisterAll().empty());
    ASSERT_TRUE(hotKeys.RegisterAll().empty());
    texts[4] = "";
    texts[9] = "Ctrl+F9";
    hotKeys.SetShortcuts(texts);
    ASSERT_TRUE(hotKeys.RegisterAll().empty());
    EXPECT_FALSE(hotKeys.IsRegistered(4));
    QSignalSpy spy(&hotKeys, &HotKeys::activated);
    Press("ctrl+F9");
    ASSERT_TRUE(WaitForSignals(spy, 1));
    QTest::qWait(kQuietMs);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 9);
}

TEST_F(HotKeysX11, AnEmptyOrKeylessEntryIsRefused) {
    HotKeys hotKeys;
    HotKeys::Texts texts;
    texts[7] = "Ctrl+";
    texts[8] = "Ctrl+F5";
    hotKeys.SetShortcuts(texts);
    EXPECT_EQ(hotKeys.RegisterAll(), (std::vector<int>{7}));
    EXPECT_EQ(hotKeys.ResultAt(7), GrabResult::NoKey);
    EXPECT_EQ(hotKeys.ResultAt(0), GrabResult::NoKey);
    EXPECT_TRUE(hotKeys.IsRegistered(8));
}

TEST_F(HotKeysX11, UnregisterReleasesAllGrabs) {
    const std::vector<std::pair<std::uint16_t, xcb_keysym_t>> combos = {
        {XCB_MOD_MASK_CONTROL, kXkF5},    {XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT, kXkHome},
        {XCB_MOD_MASK_CONTROL, kXkKpAdd}, {XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, kXkA},
        {XCB_MOD_MASK_CONTROL, kXkF9},
    };
    HotKeys hotKeys;
    HotKeys::Texts texts;
    texts[0] = "Ctrl+F5";
    texts[3] = "Alt+Shift+Home";
    texts[10] = "Ctrl+Num +";
    texts[15] = "Ctrl+Alt+A";
    texts[16] = "Ctrl+F9";
    hotKeys.SetShortcuts(texts);
    ASSERT_TRUE(hotKeys.RegisterAll().empty());
    for (const auto& [mods, keysym] : combos)
        for (std::uint16_t m : other_.Variants(mods))
            EXPECT_FALSE(other_.Grab(m, keysym)) << "keysym " << keysym << " modifiers " << m;

    hotKeys.UnregisterAll();
    for (int i = 0; i < HotKeys::kCount; ++i)
        EXPECT_FALSE(hotKeys.IsRegistered(i));
    QSignalSpy spy(&hotKeys, &HotKeys::activated);
    Press("ctrl+F9");
    QTest::qWait(kQuietMs);
    EXPECT_EQ(spy.count(), 0);
    for (const auto& [mods, keysym] : combos)
        for (std::uint16_t m : other_.Variants(mods))
            EXPECT_TRUE(other_.Grab(m, keysym)) << "keysym " << keysym << " modifiers " << m;
}

TEST_F(HotKeysX11, DestructionReleasesAllGrabs) {
    {
        HotKeys hotKeys;
        HotKeys::Texts texts;
        texts[0] = "Ctrl+F7";
        hotKeys.SetShortcuts(texts);
        ASSERT_TRUE(hotKeys.RegisterAll().empty());
        EXPECT_FALSE(other_.Grab(XCB_MOD_MASK_CONTROL, kXkF7));
    }
    for (std::uint16_t m : other_.Variants(XCB_MOD_MASK_CONTROL))
        EXPECT_TRUE(other_.Grab(m, kXkF7)) << "modifiers " << m;
}

TEST_F(HotKeysX11, TheGrabberRefusesAKeysymWithoutKeyAndKeysymZero) {
    OtherClient scratch;
    ASSERT_TRUE(scratch.Ok());
    // A grabber on a connection of its own.
    xcb_connection_t* conn = xcb_connect(nullptr, nullptr);
    ASSERT_EQ(xcb_connection_has_error(conn), 0);
    {
        auto grabber = platform::CreateXcbGlobalHotKeys(conn, platform::XcbDefaultRootWindow(conn));
        ASSERT_TRUE(grabber->Available());
        EXPECT_EQ(grabber->Grab(1, 2, 0), GrabResult::NoKey);
        EXPECT_EQ(grabber->Grab(1, 2, 0x10000ff), GrabResult::NoKey); // no key on this keyboard
        EXPECT_EQ(grabber->Grab(1, 2, kXkF8), GrabResult::Grabbed);
        EXPECT_EQ(grabber->Grab(2, 2, kXkF8), GrabResult::Taken);
        EXPECT_EQ(grabber->Grab(1, 2, kXkF8), GrabResult::Grabbed); // the same id again
        EXPECT_FALSE(scratch.Grab(XCB_MOD_MASK_CONTROL, kXkF8));
        grabber->Release(1);
        EXPECT_TRUE(scratch.Grab(XCB_MOD_MASK_CONTROL, kXkF8));
    }
    xcb_disconnect(conn);
}
