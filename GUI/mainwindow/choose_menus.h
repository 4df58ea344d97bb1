// The pop-up menus of the main window's choose buttons: the voice effects of the library, the
// background sounds of their folder, and the fun sound folder as a tree of sub-menus. Each ends
// with "Cancel".
#pragma once

#include <functional>
#include <string>

class AppConfig;
class QAction;
class QMenu;
class QPoint;

// What the user did with a choose menu.
struct MenuChoice {
    enum class Kind {
        Dismissed, // closed without a choice
        Cancel,    // the "Cancel" item
        Item,      // an effect, a sound: value holds it
    };
    Kind kind = Kind::Dismissed;
    std::string value;
};

// Shows the menu at a screen point and gives the action chosen, null when dismissed. Tests
// answer in place of the user.
using MenuRunner = std::function<QAction*(QMenu& menu, const QPoint& at)>;
QAction* ExecMenu(QMenu& menu, const QPoint& at);

// Fill menu. Effects: every effect of the library by name (the choice's value). Backgrounds:
// every ".wav" file of the folder by its name without extension (value: the file name).
// Fun sounds: each sub-folder a sub-menu, each sound its name without extension (value: its
// path relative to the fun sound folder); sub-folders without sounds are left out. GUI thread.
void FillEffectMenu(QMenu& menu, const AppConfig& config);
void FillBackgroundMenu(QMenu& menu, const AppConfig& config);
void FillFunSoundMenu(QMenu& menu, const AppConfig& config);

// What the chosen action means. GUI thread.
MenuChoice ChoiceOf(const QAction* chosen);
