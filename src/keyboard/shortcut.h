// Shortcuts of the control panel's hot keys: a pair of modifiers and a
// virtual key code, its text form with the key-name table, and the seventeen hot-key actions.
// Portable: no platform headers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace keyboard {

// Modifier bits: the hot-key modifier values of Windows.
inline constexpr std::uint32_t kModAlt = 1;
inline constexpr std::uint32_t kModCtrl = 2;
inline constexpr std::uint32_t kModShift = 4;

// Virtual key codes of the modifier keys themselves (never named, never a shortcut's key).
inline constexpr std::uint32_t kVkShift = 16;
inline constexpr std::uint32_t kVkControl = 17;
inline constexpr std::uint32_t kVkMenu = 18; // Alt
// The numeric-pad plus: what the piece "Num" of a split "Num +" stands for.
inline constexpr std::uint32_t kVkAdd = 107;

// A key combination; (0, 0) means no shortcut.
struct Shortcut {
    std::uint32_t modifiers = 0; // kModAlt | kModCtrl | kModShift
    std::uint32_t key = 0;       // virtual key code

    bool IsEmpty() const { return modifiers == 0 && key == 0; }
    bool operator==(const Shortcut&) const = default;
};

// The key's text in the key-name table: "A".."Z", "0".."9", "F1".."F12", "Num 0".."Num 9" and
// the named keys ("Back Space", "Page Up", "Num +", ";", ...). Empty for a key without a name.
std::string KeyName(std::uint32_t key);

// Shortcut-to-text: "" for (0, 0); else "Ctrl+", "Alt+", "Shift+" for the set modifier bits, in
// this order, followed by the key's name (nothing for a key without a name and for the codes of
// Alt, Ctrl and Shift). Ctrl with F5 gives "Ctrl+F5"; Ctrl with a nameless key gives "Ctrl+".
std::string ShortcutToText(const Shortcut& shortcut);

// Text-to-shortcut: split at every '+', drop empty pieces, trim blanks (spaces and tabs) at both
// ends of each piece; "Ctrl", "Alt", "Shift" set their modifier bit, "Num" (the rest of a split
// "Num +") sets the key 107, a name of the table sets its code, anything else is ignored; a later
// key piece replaces an earlier one. Names compare exactly, letter case included: "ctrl+a" gives
// (0, 0). A modifier named twice sets its bit once.
Shortcut TextToShortcut(std::string_view text);

// The X11 key symbol (keysymdef.h value) of a key of the table; 0 for a key without a name.
// Letters map to the lower-case symbols, numeric-pad digits to KP_0..KP_9.
std::uint32_t X11KeySym(std::uint32_t key);

// The hot-key actions in their fixed order; the index is the hot key's identifier and the
// index of its entry in AppConfig::kShortcutKeys and AppConfig::shortcuts.
enum class HotKeyAction : int {
    VoiceEffect1 = 0,
    VoiceEffect2,
    VoiceEffect3,
    Listen,
    FunSound1,
    FunSound2,
    FunSound3,
    BackSound1,
    BackSound1VolAdd,
    BackSound1VolSub,
    BackSound2,
    BackSound2VolAdd,
    BackSound2VolSub,
    BackSound3,
    BackSound3VolAdd,
    BackSound3VolSub,
    Stop,
};
inline constexpr int kHotKeyActionCount = static_cast<int>(HotKeyAction::Stop) + 1;

} // namespace keyboard
