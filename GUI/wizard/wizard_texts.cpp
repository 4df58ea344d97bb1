#include "wizard/wizard_texts.h"

#include "common/ui_text.h"

std::string WizFormat(unsigned id, const std::string& argument) {
    // The table accepts a translation only with the English text's conversions, so the format
    // takes exactly the one text argument.
    return UiFormat(id, argument.c_str());
}
