#include "wizard/wizard_texts.h"

#include "base/error.h"
#include "base/strtable.h"

QString WizText(unsigned id) {
    return QString::fromStdString(LoadStr(id));
}

std::string WizFormat(unsigned id, const std::string& argument) {
    // The table accepts a translation only with the English text's conversions, so the format
    // takes exactly the one text argument.
    const MyError formatted(LoadStr(id).c_str(), argument.c_str());
    return formatted.Text() != nullptr ? formatted.Text() : std::string();
}
