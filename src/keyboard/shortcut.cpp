#include "keyboard/shortcut.h"

namespace keyboard {

namespace {

struct NamedKey {
    std::uint32_t code;
    const char* name;
    std::uint32_t keysym; // X11 keysymdef.h
};

// The named keys of the key-name table (letters, digits, F1..F12 and the numeric-pad digits are
// generated below).
constexpr NamedKey kNamedKeys[] = {
    {8, "Back Space", 0xff08},    // XK_BackSpace
    {19, "Pause", 0xff13},        // XK_Pause
    {20, "Caps Lock", 0xffe5},    // XK_Caps_Lock
    {33, "Page Up", 0xff55},      // XK_Prior (XK_Page_Up)
    {34, "Page Down", 0xff56},    // XK_Next (XK_Page_Down)
    {35, "End", 0xff57},          // XK_End
    {36, "Home", 0xff50},         // XK_Home
    {37, "Left", 0xff51},         // XK_Left
    {38, "Up", 0xff52},           // XK_Up
    {39, "Right", 0xff53},        // XK_Right
    {40, "Down", 0xff54},         // XK_Down
    {45, "Insert", 0xff63},       // XK_Insert
    {46, "Delete", 0xffff},       // XK_Delete
    {106, "Num *", 0xffaa},       // XK_KP_Multiply
    {107, "Num +", 0xffab},       // XK_KP_Add
    {109, "Num -", 0xffad},       // XK_KP_Subtract
    {111, "Num /", 0xffaf},       // XK_KP_Divide
    {144, "Num Lock", 0xff7f},    // XK_Num_Lock
    {145, "Scroll Lock", 0xff14}, // XK_Scroll_Lock
    {186, ";", 0x003b},           // XK_semicolon
    {187, "=", 0x003d},           // XK_equal
    {188, ",", 0x002c},           // XK_comma
    {189, "-", 0x002d},           // XK_minus
    {190, ".", 0x002e},           // XK_period
    {191, "/", 0x002f},           // XK_slash
    {192, "`", 0x0060},           // XK_grave
    {219, "[", 0x005b},           // XK_bracketleft
    {220, "\\", 0x005c},          // XK_backslash
    {221, "]", 0x005d},           // XK_bracketright
    {222, "'", 0x0027},           // XK_apostrophe
};

// Function keys F1..F12 are codes 112..123; XK_F1 is 0xffbe and the others follow.
constexpr std::uint32_t kVkF1 = 112;
constexpr std::uint32_t kVkF12 = 123;
constexpr std::uint32_t kXkF1 = 0xffbe;
// Numeric-pad digits are codes 96..105; XK_KP_0 is 0xffb0 and the others follow.
constexpr std::uint32_t kVkNumpad0 = 96;
constexpr std::uint32_t kVkNumpad9 = 105;
constexpr std::uint32_t kXkKp0 = 0xffb0;
// XK_0..XK_9 and XK_a..XK_z are the ASCII codes.
constexpr std::uint32_t kXkLowerA = 0x0061;

const NamedKey* FindNamed(std::uint32_t code) {
    for (const NamedKey& k : kNamedKeys)
        if (k.code == code)
            return &k;
    return nullptr;
}

std::string_view Trim(std::string_view piece) {
    constexpr std::string_view kBlanks = " \t";
    const size_t first = piece.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const size_t last = piece.find_last_not_of(kBlanks);
    return piece.substr(first, last - first + 1);
}

// The code whose name is exactly the piece; 0 when none.
std::uint32_t CodeOfName(std::string_view piece) {
    if (piece.size() == 1) {
        const char c = piece[0];
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))
            return static_cast<std::uint32_t>(c);
    }
    for (const NamedKey& k : kNamedKeys)
        if (piece == k.name)
            return k.code;
    if (piece.size() >= 2 && piece[0] == 'F') {
        for (std::uint32_t code = kVkF1; code <= kVkF12; ++code)
            if (piece == KeyName(code))
                return code;
    }
    if (piece.size() == 5 && piece.substr(0, 4) == "Num ") {
        const char c = piece[4];
        if (c >= '0' && c <= '9')
            return kVkNumpad0 + static_cast<std::uint32_t>(c - '0');
    }
    return 0;
}

} // namespace

std::string KeyName(std::uint32_t key) {
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
        return std::string(1, static_cast<char>(key));
    if (key >= kVkF1 && key <= kVkF12)
        return "F" + std::to_string(key - kVkF1 + 1);
    if (key >= kVkNumpad0 && key <= kVkNumpad9)
        return "Num " + std::to_string(key - kVkNumpad0);
    if (const NamedKey* k = FindNamed(key))
        return k->name;
    return {};
}

std::string ShortcutToText(const Shortcut& shortcut) {
    if (shortcut.IsEmpty())
        return {};
    std::string text;
    if (shortcut.modifiers & kModCtrl)
        text += "Ctrl+";
    if (shortcut.modifiers & kModAlt)
        text += "Alt+";
    if (shortcut.modifiers & kModShift)
        text += "Shift+";
    if (shortcut.key != kVkShift && shortcut.key != kVkControl && shortcut.key != kVkMenu)
        text += KeyName(shortcut.key);
    return text;
}

Shortcut TextToShortcut(std::string_view text) {
    Shortcut result;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('+', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view raw = text.substr(start, end - start);
        start = end + 1;
        if (raw.empty())
            continue;
        const std::string_view piece = Trim(raw);
        if (piece == "Ctrl") {
            result.modifiers |= kModCtrl;
        } else if (piece == "Alt") {
            result.modifiers |= kModAlt;
        } else if (piece == "Shift") {
            result.modifiers |= kModShift;
        } else if (piece == "Num") {
            result.key = kVkAdd;
        } else if (const std::uint32_t code = CodeOfName(piece); code != 0) {
            result.key = code;
        }
    }
    return result;
}

std::uint32_t X11KeySym(std::uint32_t key) {
    if (key >= '0' && key <= '9')
        return key; // XK_0..XK_9
    if (key >= 'A' && key <= 'Z')
        return kXkLowerA + (key - 'A'); // XK_a..XK_z
    if (key >= kVkF1 && key <= kVkF12)
        return kXkF1 + (key - kVkF1); // XK_F1..XK_F12
    if (key >= kVkNumpad0 && key <= kVkNumpad9)
        return kXkKp0 + (key - kVkNumpad0); // XK_KP_0..XK_KP_9
    if (const NamedKey* k = FindNamed(key))
        return k->keysym;
    return 0;
}

} // namespace keyboard
