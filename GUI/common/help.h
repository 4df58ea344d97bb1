// Help: HTML pages in the help folder of the program folder, opened in the desktop's browser at
// the topic of the dialog or page that asks (its resource id). Every dialog calls HelpShow with
// its own id for its Help button and F1.
//
// The configuration value helpFile names the help's start page relative to the program folder
// ("help\index.html"); the pages of the topics lie beside it. A helpFile that names no HTML page
// means the folder "help" with the start page "index.html". German pages lie in the folder "de"
// of the help folder under the same names; they are shown when the texts of the control panel
// are German and the page exists, else the English page.
#pragma once

#include <functional>
#include <string>

class QWidget;

// Resource ids of the dialogs and pages that ask for help.
constexpr int kHelpMainWindow = 102;
constexpr int kHelpWizardInput = 135;
constexpr int kHelpWizardMonitor = 136;
constexpr int kHelpEditEffect = 137;

// What the help's place depends on: the program folder and the configuration values helpFile
// and langFile as stored ("help\index.html", ".\lang\voxwarp_de.glo").
struct HelpSetting {
    std::string programFolder;
    std::string helpFile;
    std::string langFile;
};

// A help page to open: the page's file and the place on it (empty: its top).
struct HelpPage {
    std::string file;
    std::string anchor;

    // The page as the log names it: file, then "#anchor" when there is one.
    std::string Target() const { return anchor.empty() ? file : file + "#" + anchor; }
};

// The help topic of a dialog or page id ("effects.html", "options.html#effects"); empty for an id
// without a topic of its own, which opens the help at its start page. Any thread.
std::string HelpTopic(int id);

// The help folder (ending in '/') and the start page's file name that setting names. Any thread.
void HelpStart(const HelpSetting& setting, std::string& folder, std::string& startPage);

// True when langFile names the German texts (its file name starts with "voxwarp_de"). Any thread.
bool HelpInGerman(const std::string& langFile);

// The page opened for a dialog or page id: the German one when the texts are German and it
// exists, else the English one. Looks at the file system. Any thread.
HelpPage HelpTarget(const HelpSetting& setting, int id);

// The setting of this process: its program folder and the configuration's values. GUI thread.
HelpSetting CurrentHelpSetting();

// Logs "Help:<target>" and opens the page in the desktop's browser; when no browser can be
// opened, says so in a message box naming the page. GUI thread.
void HelpShow(QWidget* parent, int id);
void HelpShow(QWidget* parent, int id, const HelpSetting& setting);

// Opens a help page (file and anchor) in the desktop's browser; false when that failed. Tests
// install one in place of the desktop's; an empty opener restores it. GUI thread.
using HelpOpener = std::function<bool(const HelpPage& page)>;
void SetHelpOpener(HelpOpener opener);
