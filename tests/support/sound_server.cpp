#include "sound_server.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>

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
    FILE* pipe = popen(commandLine.c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    std::string text;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) {
        text.append(chunk, n);
    }
    int status = pclose(pipe);
    if (output != nullptr) {
        *output = text;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace testsupport
