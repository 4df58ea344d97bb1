#include "options/key_capture_codes.h"

#include "keyboard/shortcut.h"

namespace keycapture {

namespace {

struct KeyCode {
    int qtKey;
    std::uint32_t virtualKey;
};

// Named keys and the symbols Shift makes of them on a US keyboard.
constexpr KeyCode kKeys[] = {
    {Qt::Key_Backspace, 8},
    {Qt::Key_Tab, 9},
    {Qt::Key_Backtab, 9},
    {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},
    {Qt::Key_Shift, keyboard::kVkShift},
    {Qt::Key_Control, keyboard::kVkControl},
    {Qt::Key_Alt, keyboard::kVkMenu},
    {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20},
    {Qt::Key_Escape, 27},
    {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34},
    {Qt::Key_End, 35},
    {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},
    {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},
    {Qt::Key_Print, 44},
    {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},
    {Qt::Key_Meta, 91},
    {Qt::Key_Super_L, 91},
    {Qt::Key_Super_R, 92},
    {Qt::Key_Menu, 93},
    {Qt::Key_NumLock, 144},
    {Qt::Key_ScrollLock, 145},
    {Qt::Key_Semicolon, 186},
    {Qt::Key_Colon, 186},
    {Qt::Key_Equal, 187},
    {Qt::Key_Plus, 187},
    {Qt::Key_Comma, 188},
    {Qt::Key_Less, 188},
    {Qt::Key_Minus, 189},
    {Qt::Key_Underscore, 189},
    {Qt::Key_Period, 190},
    {Qt::Key_Greater, 190},
    {Qt::Key_Slash, 191},
    {Qt::Key_Question, 191},
    {Qt::Key_QuoteLeft, 192},
    {Qt::Key_AsciiTilde, 192},
    {Qt::Key_BracketLeft, 219},
    {Qt::Key_BraceLeft, 219},
    {Qt::Key_Backslash, 220},
    {Qt::Key_Bar, 220},
    {Qt::Key_BracketRight, 221},
    {Qt::Key_BraceRight, 221},
    {Qt::Key_Apostrophe, 222},
    {Qt::Key_QuoteDbl, 222},
};

// The digit keys' shifted symbols, "0" first.
constexpr int kShiftedDigits[] = {Qt::Key_ParenRight,  Qt::Key_Exclam,    Qt::Key_At,
                                  Qt::Key_NumberSign,  Qt::Key_Dollar,    Qt::Key_Percent,
                                  Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,
                                  Qt::Key_ParenLeft};

// The numeric pad's operators and their codes: "Num *", "Num +", "Num -", "Num /".
constexpr KeyCode kPadKeys[] = {
    {Qt::Key_Asterisk, 106},
    {Qt::Key_Plus, keyboard::kVkAdd},
    {Qt::Key_Minus, 109},
    {Qt::Key_Slash, 111},
};

} // namespace

std::uint32_t VirtualKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
            return 96 + static_cast<std::uint32_t>(qtKey - Qt::Key_0);
        for (const KeyCode& pad : kPadKeys)
            if (pad.qtKey == qtKey)
                return pad.virtualKey;
    }
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return static_cast<std::uint32_t>(qtKey); // the codes are the characters themselves
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + static_cast<std::uint32_t>(qtKey - Qt::Key_F1);
    for (int digit = 0; digit < 10; ++digit)
        if (kShiftedDigits[digit] == qtKey)
            return static_cast<std::uint32_t>('0' + digit);
    for (const KeyCode& key : kKeys)
        if (key.qtKey == qtKey)
            return key.virtualKey;
    return 0;
}

std::uint32_t ModifierBits(Qt::KeyboardModifiers modifiers) {
    std::uint32_t bits = 0;
    if (modifiers.testFlag(Qt::AltModifier))
        bits |= keyboard::kModAlt;
    if (modifiers.testFlag(Qt::ControlModifier))
        bits |= keyboard::kModCtrl;
    if (modifiers.testFlag(Qt::ShiftModifier))
        bits |= keyboard::kModShift;
    return bits;
}

} // namespace keycapture
