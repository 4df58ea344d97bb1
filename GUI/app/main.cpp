// The control panel "Voxwarp".
#include "app/command_line.h"
#include "app/pn_app.h"
#include "app/skin_preview.h"
#include "common/app_icon.h"
#include "common/app_style.h"
#include "editeffect/edit_effect_session.h"
#include "effectdialog/effect_editors.h"
#include "options/options_command.h"
#include "wizard/wizard_command.h"

#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    CommandLine commandLine;
    const std::string problem =
        ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), commandLine);
    if (!problem.empty() || commandLine.help) {
        if (!problem.empty())
            std::fprintf(stderr, "Voxwarp: %s\n", problem.c_str());
        std::fputs(CommandLineUsage(), problem.empty() ? stdout : stderr);
        return problem.empty() ? 0 : 2;
    }
    // Window outlines, self-positioning and global hot keys need X11: under Wayland the control
    // panel runs through XWayland unless the user chose a platform. A picture of a skin needs no
    // display at all.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", commandLine.savePath.empty() ? "xcb" : "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Voxwarp"));
    ApplyApplicationStyle(app);
    QApplication::setWindowIcon(AppIcon());
    InstallEffectEditors();
    if (commandLine.skinPreview)
        return RunSkinPreview(commandLine);
    if (commandLine.wizard)
        return RunWizardCommand();
    if (commandLine.editEffect)
        return RunEditEffectCommand({commandLine.effectName, {}, {}});
    if (commandLine.options)
        return RunOptionsCommand({});
    // The main window hides in the notification area: only Exit ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    const StartupEnd end = InitInstance();
    return end == StartupEnd::MainWindowClosed || end == StartupEnd::AlreadyRunning ? 0 : 1;
}
