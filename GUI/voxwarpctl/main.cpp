// voxwarpctl: sends one command to the running voice server and prints its answer, or works
// with the sound server's devices or the program folder's library.
#include <cstdlib>
#include <iostream>

#include "base/mlog.h"
#include "base/strtable.h"
#include "config/config.h"
#include "ctl_run.h"

int main(int argc, char** argv) {
    // No log file unless one is asked for. Messages and log lines name results by their texts,
    // in the user's language.
    if (const char* logPath = std::getenv("VOXWARP_CTL_LOG"); logPath && *logPath)
        LogInit(logPath, true, true, false, false, false);
    AppConfig config;
    config.ReadSys();
    StartStrings(config.langFile, config.langsPath);
    voxwarpctl::CtlConnector connector;
    int result = voxwarpctl::RunCtl(std::vector<std::string>(argv + 1, argv + argc), connector,
                                    config, std::cout, std::cerr);
    EndStrings();
    return result;
}
