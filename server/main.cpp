// VoxwarpServer: the voice server program. Without arguments it runs as the user's service;
// "-f" runs it in the foreground; install, uninstall, start, stop and version manage the service.
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "base/fileversion.h"
#include "base/mlog.h"
#include "platform/program_folder.h"
#include "platform/sound/audio_backend.h"
#include "platform/sound/sound_server.h"
#include "service.h"

int main(int argc, char** argv) {
    // Configuration, plug-ins, sounds and the log live in the program folder.
    const std::string& folder = platform::ProgramFolder();
    if (!folder.empty() && chdir(folder.c_str()) != 0)
        return 1;
    LogInit("parlanosrv.log", true, false, false, false, false);
    LogPlain("%s", "");
    LogPlain("Service version: %s", ThisProgramFileVersion().c_str());

    std::unique_ptr<AudioBackend> backend = platform::CreateSoundServerBackend();
    std::uint32_t exitCode = 0;
    {
        MyVoiceService service(*backend);
        std::vector<std::string> args(argv, argv + argc);
        service.ParseArgs(args);
        service.RunCommand(args);
        // A voice server that could not run ends with a failure, so that the service manager
        // and the start command see it (the reason is in the log).
        exitCode = service.Status().exitCode;
    }
    return exitCode == 0 ? 0 : 1;
}
