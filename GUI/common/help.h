// Help: the pages of the program folder's "help" folder, opened in the desktop's browser at the
// topic of the dialog or page that asks (its resource id). Every dialog calls HelpShow with its
// own id for its Help button and F1.
#pragma once

#include <string>

class QWidget;

// Resource ids of the dialogs and pages that ask for help.
constexpr int kHelpMainWindow = 102;
constexpr int kHelpWizardInput = 135;
constexpr int kHelpWizardMonitor = 136;
constexpr int kHelpEditEffect = 137;

// The help topic of a dialog or page id ("effects.html", "options.html#effects"); empty for an id
// without a topic of its own, which opens the help at its start. Any thread.
std::string HelpTopic(int id);

// The address opened for a dialog or page id under helpFolder. Any thread.
std::string HelpTarget(const std::string& helpFolder, int id);

// Logs "Help:<target>" and opens the target in the desktop's browser. GUI thread.
void HelpShow(QWidget* parent, int id);
