// Shortcuts of the hot keys: the key-name table, the text form in both
// directions, the action order and the X11 key symbols.
#include "config/config.h"
#include "keyboard/shortcut.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#if __has_include(<X11/keysym.h>)
#include <X11/keysym.h>
#define VOXWARP_HAVE_KEYSYMDEF 1
#endif

using keyboard::HotKeyAction;
using keyboard::KeyName;
using keyboard::Shortcut;
using keyboard::ShortcutToText;
using keyboard::TextToShortcut;
using keyboard::X11KeySym;

namespace {

// The key-name table, written out again.
std::vector<std::pair<std::uint32_t, std::string>> DesignTable() {
    std::vector<std::pair<std::uint32_t, std::string>> table = {
        {8, "Back Space"}, {19, "Pause"},     {20, "Caps Lock"},    {33, "Page Up"},
        {34, "Page Down"}, {35, "End"},       {36, "Home"},         {37, "Left"},
        {38, "Up"},        {39, "Right"},     {40, "Down"},         {45, "Insert"},
        {46, "Delete"},    {106, "Num *"},    {107, "Num +"},       {109, "Num -"},
        {111, "Num /"},    {144, "Num Lock"}, {145, "Scroll Lock"}, {186, ";"},
        {187, "="},        {188, ","},        {189, "-"},           {190, "."},
        {191, "/"},        {192, "`"},        {219, "["},           {220, "\\"},
        {221, "]"},        {222, "'"},
    };
    for (char c = 'A'; c <= 'Z'; ++c)
        table.push_back({static_cast<std::uint32_t>(c), std::string(1, c)});
    for (char c = '0'; c <= '9'; ++c)
        table.push_back({static_cast<std::uint32_t>(c), std::string(1, c)});
    for (int n = 1; n <= 12; ++n)
        table.push_back({static_cast<std::uint32_t>(111 + n), "F" + std::to_string(n)});
    for (int n = 0; n <= 9; ++n)
        table.push_back({static_cast<std::uint32_t>(96 + n), "Num " + std::to_string(n)});
    return table;
}

bool InDesignTable(std::uint32_t code) {
    for (const auto& [c, name] : DesignTable())
        if (c == code)
            return true;
    return false;
}

} // namespace

TEST(KeyNames, EveryCodeOfTheTableHasItsName) {
    const auto table = DesignTable();
    EXPECT_EQ(table.size(), 30u + 26u + 10u + 12u + 10u);
    for (const auto& [code, name] : table)
        EXPECT_EQ(KeyName(code), name) << "code " << code;
}

TEST(KeyNames, OtherCodesHaveNoName) {
    for (std::uint32_t code = 0; code < 512; ++code)
        if (!InDesignTable(code)) {
            EXPECT_EQ(KeyName(code), "") << "code " << code;
        }
    EXPECT_EQ(KeyName(0xffffffffu), "");
}

TEST(KeyNames, EveryNameRoundTripsWithEveryModifierSet) {
    for (const auto& [code, name] : DesignTable()) {
        for (std::uint32_t modifiers = 0; modifiers <= 7; ++modifiers) {
            const Shortcut shortcut{modifiers, code};
            const std::string text = ShortcutToText(shortcut);
            EXPECT_EQ(TextToShortcut(text), shortcut) << "text \"" << text << "\"";
            EXPECT_EQ(ShortcutToText(TextToShortcut(text)), text);
        }
    }
}

TEST(ShortcutToText, ModifiersInTheDesignsOrder) {
    EXPECT_EQ(ShortcutToText({2, 116}), "Ctrl+F5");
    EXPECT_EQ(ShortcutToText({6, 107}), "Ctrl+Shift+Num +");
    EXPECT_EQ(ShortcutToText({7, 'X'}), "Ctrl+Alt+Shift+X");
    EXPECT_EQ(ShortcutToText({1, 'X'}), "Alt+X");
    EXPECT_EQ(ShortcutToText({5, 33}), "Alt+Shift+Page Up");
    EXPECT_EQ(ShortcutToText({0, 'Q'}), "Q");
    EXPECT_EQ(ShortcutToText({0, 0}), "");
}

TEST(ShortcutToText, ModifierKeysAndNamelessKeysAddNothing) {
    EXPECT_EQ(ShortcutToText({2, 17}), "Ctrl+");     // Ctrl itself
    EXPECT_EQ(ShortcutToText({3, 18}), "Ctrl+Alt+"); // Alt itself
    EXPECT_EQ(ShortcutToText({4, 16}), "Shift+");    // Shift itself
    EXPECT_EQ(ShortcutToText({2, 32}), "Ctrl+");     // the space bar
    EXPECT_EQ(ShortcutToText({0, 32}), "");
}

TEST(TextToShortcut, CtrlNumPlusRoundTrips) {
    EXPECT_EQ(TextToShortcut("Ctrl+Num +"), (Shortcut{2, 107}));
    EXPECT_EQ(ShortcutToText(TextToShortcut("Ctrl+Num +")), "Ctrl+Num +");
    EXPECT_EQ(TextToShortcut("Num +"), (Shortcut{0, 107}));
    EXPECT_EQ(TextToShortcut("Ctrl+Shift+Num +"), (Shortcut{6, 107}));
}

TEST(TextToShortcut, NamesAreCaseSensitive) {
    EXPECT_EQ(TextToShortcut("ctrl+a"), (Shortcut{0, 0}));
    EXPECT_EQ(TextToShortcut("CTRL+f5"), (Shortcut{0, 0}));
    EXPECT_EQ(TextToShortcut("Ctrl+page up"), (Shortcut{2, 0}));
}

TEST(TextToShortcut, CtrlWithANamelessKeyReadsBackAsCtrlWithoutKey) {
    const std::string text = ShortcutToText({2, 32});
    EXPECT_EQ(text, "Ctrl+");
    EXPECT_EQ(TextToShortcut(text), (Shortcut{2, 0}));
}

TEST(TextToShortcut, EmptyTextGivesNoShortcut) {
    EXPECT_EQ(TextToShortcut(""), (Shortcut{0, 0}));
    EXPECT_TRUE(TextToShortcut("").IsEmpty());
    EXPECT_EQ(TextToShortcut("+"), (Shortcut{0, 0}));
    EXPECT_EQ(TextToShortcut("  "), (Shortcut{0, 0}));
}

TEST(TextToShortcut, PiecesAreTrimmedAndEmptyPiecesDropped) {
    EXPECT_EQ(TextToShortcut(" Ctrl + Alt + Page Up "), (Shortcut{3, 33}));
    EXPECT_EQ(TextToShortcut("Ctrl++Alt+\tF12\t"), (Shortcut{3, 123}));
    EXPECT_EQ(TextToShortcut("Shift+Back Space"), (Shortcut{4, 8}));
}

TEST(TextToShortcut, ALaterKeyReplacesAnEarlierOne) {
    EXPECT_EQ(TextToShortcut("A+B"), (Shortcut{0, 'B'}));
    EXPECT_EQ(TextToShortcut("Ctrl+F5+Alt+Home"), (Shortcut{3, 36}));
}

TEST(TextToShortcut, UnknownPiecesAreIgnored) {
    EXPECT_EQ(TextToShortcut("Ctrl+Foo+B"), (Shortcut{2, 'B'}));
    EXPECT_EQ(TextToShortcut("Ctrl+F13"), (Shortcut{2, 0}));
    EXPECT_EQ(TextToShortcut("Ctrl+F0"), (Shortcut{2, 0}));
    EXPECT_EQ(TextToShortcut("Ctrl+Num 10"), (Shortcut{2, 0}));
    EXPECT_EQ(TextToShortcut("Ctrl+Space"), (Shortcut{2, 0}));
    EXPECT_EQ(TextToShortcut("Win+A"), (Shortcut{0, 'A'}));
    EXPECT_EQ(TextToShortcut("Ctrl+a"), (Shortcut{2, 0}));
}

TEST(TextToShortcut, AModifierNamedTwiceSetsItsBitOnce) {
    EXPECT_EQ(TextToShortcut("Ctrl+Ctrl+A"), (Shortcut{2, 'A'}));
}

TEST(HotKeyActions, FollowTheConfigurationKeys) {
    static_assert(keyboard::kHotKeyActionCount == AppConfig::kShortcutCount);
    const std::vector<std::pair<HotKeyAction, std::string>> expected = {
        {HotKeyAction::VoiceEffect1, "VoiceEffect1"},
        {HotKeyAction::VoiceEffect2, "VoiceEffect2"},
        {HotKeyAction::VoiceEffect3, "VoiceEffect3"},
        {HotKeyAction::Listen, "Listen"},
        {HotKeyAction::FunSound1, "FunSound1"},
        {HotKeyAction::FunSound2, "FunSound2"},
        {HotKeyAction::FunSound3, "FunSound3"},
        {HotKeyAction::BackSound1, "BackSound1"},
        {HotKeyAction::BackSound1VolAdd, "BackSound1_VolAdd"},
        {HotKeyAction::BackSound1VolSub, "BackSound1_VolSub"},
        {HotKeyAction::BackSound2, "BackSound2"},
        {HotKeyAction::BackSound2VolAdd, "BackSound2_VolAdd"},
        {HotKeyAction::BackSound2VolSub, "BackSound2_VolSub"},
        {HotKeyAction::BackSound3, "BackSound3"},
        {HotKeyAction::BackSound3VolAdd, "BackSound3_VolAdd"},
        {HotKeyAction::BackSound3VolSub, "BackSound3_VolSub"},
        {HotKeyAction::Stop, "Stop"},
    };
    ASSERT_EQ(expected.size(), static_cast<size_t>(keyboard::kHotKeyActionCount));
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(static_cast<size_t>(expected[i].first), i);
        EXPECT_EQ(AppConfig::kShortcutKeys[i], expected[i].second);
    }
}

TEST(X11KeySyms, EveryNamedKeyHasASymbolAndNoOtherKeyHasOne) {
    for (std::uint32_t code = 0; code < 512; ++code) {
        const bool named = InDesignTable(code);
        EXPECT_EQ(X11KeySym(code) != 0u, named) << "code " << code;
    }
}

TEST(X11KeySyms, LettersDigitsFunctionAndKeypadKeys) {
    EXPECT_EQ(X11KeySym('A'), 0x61u);   // XK_a
    EXPECT_EQ(X11KeySym('Z'), 0x7au);   // XK_z
    EXPECT_EQ(X11KeySym('0'), 0x30u);   // XK_0
    EXPECT_EQ(X11KeySym('9'), 0x39u);   // XK_9
    EXPECT_EQ(X11KeySym(112), 0xffbeu); // XK_F1
    EXPECT_EQ(X11KeySym(123), 0xffc9u); // XK_F12
    EXPECT_EQ(X11KeySym(96), 0xffb0u);  // XK_KP_0
    EXPECT_EQ(X11KeySym(105), 0xffb9u); // XK_KP_9
}

#ifdef VOXWARP_HAVE_KEYSYMDEF
TEST(X11KeySyms, MatchKeysymdef) {
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {
        {8, XK_BackSpace},
        {19, XK_Pause},
        {20, XK_Caps_Lock},
        {33, XK_Page_Up},
        {34, XK_Page_Down},
        {35, XK_End},
        {36, XK_Home},
        {37, XK_Left},
        {38, XK_Up},
        {39, XK_Right},
        {40, XK_Down},
        {45, XK_Insert},
        {46, XK_Delete},
        {106, XK_KP_Multiply},
        {107, XK_KP_Add},
        {109, XK_KP_Subtract},
        {111, XK_KP_Divide},
        {144, XK_Num_Lock},
        {145, XK_Scroll_Lock},
        {186, XK_semicolon},
        {187, XK_equal},
        {188, XK_comma},
        {189, XK_minus},
        {190, XK_period},
        {191, XK_slash},
        {192, XK_grave},
        {219, XK_bracketleft},
        {220, XK_backslash},
        {221, XK_bracketright},
        {222, XK_apostrophe},
        {'A', XK_a},
        {'Z', XK_z},
        {'0', XK_0},
        {'9', XK_9},
        {112, XK_F1},
        {116, XK_F5},
        {123, XK_F12},
        {96, XK_KP_0},
        {101, XK_KP_5},
        {105, XK_KP_9},
    };
    for (const auto& [code, keysym] : expected)
        EXPECT_EQ(X11KeySym(code), keysym) << "code " << code;
}
#endif
