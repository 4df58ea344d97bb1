// The configuration and the voice effect library read from any file content, then saved and
// read again.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

#include "config/config.h"

namespace {

const std::string& Folder() {
    static const std::string folder = [] {
        std::string path = "/tmp/voxwarp-fuzz-config-" + std::to_string(getpid()) + "/";
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The same bytes serve as the configuration and as the voice effect library.
    for (const char* name : {"config.ini", "voiceeffects.ini"}) {
        std::ofstream file(Folder() + name, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!file)
            return 0;
    }
    AppConfig config(Folder());
    config.Load();
    config.Save();
    AppConfig reread(Folder());
    reread.Load();
    return 0;
}
