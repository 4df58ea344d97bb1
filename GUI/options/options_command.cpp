#include "options/options_command.h"

#include <cstdio>

#include "base/mlog.h"
#include "base/strtable.h"
#include "common/command_start.h"
#include "config/config.h"
#include "options/ipc_options_server.h"
#include "options/options_sheet.h"

int RunOptionsCommand(const OptionsCommand& command) {
    std::string folder;
    if (!StartCommandSession(command.programFolder, folder))
        return kOptionsFailed;
    AppConfig config(folder);
    // Applying over files that could not be read would lose them.
    if (!config.Load()) {
        std::fprintf(stderr, "Voxwarp: cannot read the configuration in %s\n", folder.c_str());
        LogError("Options: cannot read the configuration in %s", folder.c_str());
        return kOptionsFailed;
    }
    StartStrings(config.langFile, config.langsPath);
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
