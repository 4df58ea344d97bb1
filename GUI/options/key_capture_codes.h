// The virtual key codes of the key-name table for Qt's key events, so that a combination the user
// presses can be shown and stored in the text form of the hot keys.
#pragma once

#include <Qt>

#include <cstdint>

namespace keycapture {

// The virtual key code of a pressed key: letters, digits, F1..F12, the numeric pad (with
// Qt::KeypadModifier), the named keys of the table and the modifier keys themselves (16 Shift,
// 17 Ctrl, 18 Alt). Symbols that Shift makes of a key (US layout: "!" of 1, ":" of ";") give
// that key's code. Other keys that Qt knows give a code outside the table (no name); 0 for an
// unknown key. GUI thread.
std::uint32_t VirtualKey(int qtKey, Qt::KeyboardModifiers modifiers);

// The hot-key modifier bits (Alt 1, Ctrl 2, Shift 4) of Qt's modifiers. GUI thread.
std::uint32_t ModifierBits(Qt::KeyboardModifiers modifiers);

} // namespace keycapture
