#include "options/options_command.h"

#include <cstdio>

#include "base/mlog.h"
#include "base/strtable.h"
#include "common/command_start.h"
#include "config/config.h"
#include "options/ipc_options_server.h"
#include "options/options_sheet.h"

int RunOptionsCommand(const OptionsCommand& command) {
    AppConfig config(command.programFolder);
    if (!StartCommandWithConfig(command.programFolder, config, "Options"))
        return kOptionsFailed;
    {
        IpcOptionsServer server;
        COptionsSheet sheet(config, server);
        if (command.run)
            command.run(sheet);
        else
            sheet.exec();
    }
    EndStrings();
    return kOptionsDone;
}
