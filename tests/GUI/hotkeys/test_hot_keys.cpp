// The hot keys where there is no X11 connection (the offscreen platform), and the registration
// logic of HotKeys on a recording grabber.
#include "captured_log.h"
#include "hotkeys/hot_keys.h"
#include "platform/desktop/xcb_global_hotkeys.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using platform::GrabResult;

namespace {

// A grabber that records its calls and refuses the keysyms it is told to.
class RecordingGrabber : public platform::GlobalHotKeys {
public:
    struct Call {
        std::string what;
        int id;
        unsigned modifiers;
        unsigned keysym;
    };

    explicit RecordingGrabber(std::vector<Call>& calls) : calls_(calls) {}

    bool Available() const override { return true; }
    GrabResult Grab(int id, unsigned modifiers, unsigned keysym) override {
        calls_.push_back({"grab", id, modifiers, keysym});
        if (keysym == 0)
            return GrabResult::NoKey;
        return keysym == refuse ? GrabResult::Taken : GrabResult::Grabbed;
    }
    void Release(int id) override { calls_.push_back({"release", id, 0, 0}); }
    void ReleaseAll() override { calls_.push_back({"release all", -1, 0, 0}); }
    int Dispatch(const void*) override { return -1; }

    unsigned refuse = 0;

private:
    std::vector<Call>& calls_;
};

} // namespace

TEST(HotKeysOffscreen, NotAvailableWithoutAnX11Connection) {
    testaudio::CapturedLog log;
    HotKeys hotKeys;
    EXPECT_FALSE(hotKeys.Available());
    HotKeys::Texts texts;
    texts[0] = "Ctrl+F5";
    texts[4] = "Alt+Shift+Home";
    hotKeys.SetShortcuts(texts);
    EXPECT_EQ(hotKeys.RegisterAll(), (std::vector<int>{0, 4}));
    EXPECT_EQ(hotKeys.Refused(), (std::vector<int>{0, 4}));
    for (int i = 0; i < HotKeys::kCount; ++i) {
        EXPECT_FALSE(hotKeys.IsRegistered(i));
        EXPECT_EQ(hotKeys.ResultAt(i), GrabResult::NotAvailable);
    }
    EXPECT_TRUE(log.Contains("global hot keys are not available"));
    hotKeys.UnregisterAll();
    EXPECT_EQ(hotKeys.RegisterAll(), (std::vector<int>{0, 4}));
}

TEST(HotKeysOffscreen, XcbGrabberWithoutConnection) {
    std::unique_ptr<platform::GlobalHotKeys> grabber = platform::CreateXcbGlobalHotKeys(nullptr, 0);
    EXPECT_FALSE(grabber->Available());
    EXPECT_EQ(grabber->Grab(0, 2, 0xffc2), GrabResult::NotAvailable);
    EXPECT_EQ(grabber->Dispatch(nullptr), -1);
    grabber->Release(0);
    grabber->ReleaseAll();
    EXPECT_EQ(platform::XcbDefaultRootWindow(nullptr), 0u);
    EXPECT_EQ(platform::XcbNumLockMask(nullptr), 0u);
}

TEST(HotKeysOffscreen, ShortcutsAreReadFromTheirTexts) {
    HotKeys hotKeys;
    HotKeys::Texts texts;
    texts[3] = "Ctrl+Num +";
    texts[16] = "ctrl+a";
    hotKeys.SetShortcuts(texts);
    EXPECT_EQ(hotKeys.ShortcutAt(3), (keyboard::Shortcut{2, 107}));
    EXPECT_TRUE(hotKeys.ShortcutAt(16).IsEmpty());
    EXPECT_TRUE(hotKeys.ShortcutAt(0).IsEmpty());
    EXPECT_TRUE(hotKeys.ShortcutAt(17).IsEmpty());
    EXPECT_TRUE(hotKeys.ShortcutAt(-1).IsEmpty());
}

TEST(HotKeysRegistration, UnregistersFirstThenRegistersEachNonEmptyIndexInOrder) {
    std::vector<RecordingGrabber::Call> calls;
    auto grabber = std::make_unique<RecordingGrabber>(calls);
    grabber->refuse = 0xffc3; // F6
    HotKeys hotKeys(std::move(grabber));
    ASSERT_TRUE(hotKeys.Available());
    HotKeys::Texts texts;
    texts[1] = "Ctrl+F5";
    texts[2] = "Ctrl+F6";
    texts[7] = "Ctrl+";
    texts[16] = "Alt+Shift+Num 7";
    hotKeys.SetShortcuts(texts);
    EXPECT_EQ(hotKeys.RegisterAll(), (std::vector<int>{2, 7}));

    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].what, "release all");
    EXPECT_EQ(calls[1].what, "grab");
    EXPECT_EQ(calls[1].id, 1);
    EXPECT_EQ(calls[1].modifiers, 2u);
    EXPECT_EQ(calls[1].keysym, 0xffc2u); // XK_F5
    EXPECT_EQ(calls[2].id, 2);
    EXPECT_EQ(calls[3].id, 7);
    EXPECT_EQ(calls[3].keysym, 0u);
    EXPECT_EQ(calls[4].id, 16);
    EXPECT_EQ(calls[4].modifiers, 5u);
    EXPECT_EQ(calls[4].keysym, 0xffb7u); // XK_KP_7

    EXPECT_TRUE(hotKeys.IsRegistered(1));
    EXPECT_FALSE(hotKeys.IsRegistered(2));
    EXPECT_EQ(hotKeys.ResultAt(2), GrabResult::Taken);
    EXPECT_EQ(hotKeys.ResultAt(7), GrabResult::NoKey);
    EXPECT_EQ(hotKeys.ResultAt(0), GrabResult::NoKey); // empty: refused without notice
    EXPECT_TRUE(hotKeys.IsRegistered(16));

    calls.clear();
    hotKeys.UnregisterAll();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].what, "release all");
    for (int i = 0; i < HotKeys::kCount; ++i)
        EXPECT_FALSE(hotKeys.IsRegistered(i));
}
