#include "wizard/wizard_command.h"

#include <unistd.h>

#include "audio/sound_devices.h"
#include "base/mlog.h"
#include "base/strtable.h"
#include "common/command_start.h"
#include "config/config.h"
#include "ipc/ipc.h"
#include "ipc/pnipc_cli.h"
#include "platform/program_folder.h"
#include "wizard/wizard.h"

namespace {

// Tells a running voice server to read the configuration again; nothing when none runs.
void TellServerToReload() {
    IPC channel;
    if (!channel.Open()) {
        LogNote("Voice server not running: nothing to reload");
        return;
    }
    PnIpcCli client(&channel);
    if (!client.SrvUpdate())
        LogWarning("The voice server did not answer SrvUpdate");
    channel.Close();
}

} // namespace

int RunWizardCommand() {
    const std::string& folder = platform::ProgramFolder();
    if (!folder.empty() && chdir(folder.c_str()) != 0)
        return kWizardFailed;
    AppConfig config(folder);
    config.Load();
    // Without texts no message could be shown.
    if (StartStrings(config.langFile, config.langsPath) == 0)
        return kWizardFailed;
    LogInit("parlanocl.log", true, false, false, false, false);
    LogStartBanner();
    LogProgramAndDevices();

    int result = kWizardCancelled;
    if (CompleteWizard(config)) {
        TellServerToReload();
        result = kWizardFinished;
    }
    EndStrings();
    return result;
}
