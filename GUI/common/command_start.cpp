#include "common/command_start.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "base/mlog.h"
#include "platform/program_folder.h"

bool StartCommandSession(const std::string& folder, std::string& entered) {
    entered = folder.empty() ? platform::ProgramFolder() : folder;
    if (!entered.empty() && chdir(entered.c_str()) != 0) {
        std::fprintf(stderr, "Voxwarp: cannot enter the program folder %s\n", entered.c_str());
        return false;
    }
    LogInit("parlanocl.log", true, false, false, false, false);
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    LogPlain("Application started on %d.%d.%d %d:%d:%d", local->tm_mday, local->tm_mon + 1,
             local->tm_year + 1900, local->tm_hour, local->tm_min, local->tm_sec);
    return true;
}
