#include "sound_server.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>

#include "child_process.h"
#include "program_dir.h"

namespace testsupport {

std::string UsePrivateSoundServer() {
    static std::once_flag once;
    static std::string dir;
    std::call_once(once, [] {
        // bin/ and pulse-test/ sit side by side in the build tree.
        std::string folder = ProgramDir() + "../pulse-test";
        std::string start = std::string(VOXWARP_SOURCE_DIR) +
                            "/scripts/pulse-test-server.sh start '" + folder + "' >/dev/null";
        if (std::system(start.c_str()) != 0) {
            throw std::runtime_error("the private sound server did not start (" + folder + ")");
        }
        dir = folder;
        setenv("PULSE_SERVER", ("unix:" + folder + "/native").c_str(), 1);
    });
    return dir;
}

int RunWithSoundServer(const std::string& commandLine, std::string* output) {
    UsePrivateSoundServer();
    return RunShell(commandLine, output);
}

} // namespace testsupport
