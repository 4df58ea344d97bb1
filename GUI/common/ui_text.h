// Texts of the string table as the dialogs use them: plain, as a control's accessible name, and
// filled in printf style for a message box.
#pragma once

#include <QString>

#include <string>

#include "base/error.h"
#include "base/strtable.h"

// The text of id. GUI thread.
QString UiText(unsigned id);

// The text of id without blanks around it and without a closing colon: the accessible name of
// the control that a label with this text names. GUI thread.
QString UiAccessibleName(unsigned id);

// The text of id as a caption whose first letter is its Alt access key ("&" in the text stays
// an ampersand). GUI thread.
QString UiMnemonic(unsigned id);

// The text of id filled with args (printf conversions, checked against the English text when a
// translation is loaded), as a message box shows it. Any thread.
template <typename... Args>
std::string UiFormat(unsigned id, Args... args) {
    const MyError message(LoadStr(id).c_str(), args...);
    return message.Text() != nullptr ? message.Text() : std::string();
}
