#include "common/command_start.h"

#include <unistd.h>

#include <cstdio>

#include "audio/sound_devices.h"
#include "base/fileversion.h"
#include "base/mlog.h"
#include "base/strtable.h"
#include "config/config.h"
#include "platform/program_folder.h"

bool StartCommandSession(const std::string& folder, std::string& entered) {
    entered = folder.empty() ? platform::ProgramFolder() : folder;
    if (!entered.empty() && chdir(entered.c_str()) != 0) {
        std::fprintf(stderr, "Voxwarp: cannot enter the program folder %s\n", entered.c_str());
        return false;
    }
    LogInit("parlanocl.log", true, false, false, false, false);
    LogStartBanner();
    return true;
}

bool StartCommandWithConfig(const std::string& folder, AppConfig& config, const char* who) {
    std::string entered;
    if (!StartCommandSession(folder, entered))
        return false;
    config.SetProgramFolder(entered);
    if (!config.Load()) {
        std::fprintf(stderr, "Voxwarp: cannot read the configuration in %s\n", entered.c_str());
        LogError("%s: cannot read the configuration in %s", who, entered.c_str());
        return false;
    }
    StartStrings(config.langFile, config.langsPath);
    return true;
}

void LogProgramAndDevices() {
    LogPlain("%s", "");
    LogPlain("Voxwarp version: %s", ThisProgramFileVersion().c_str());
    LogSoundDevices();
}
