#include "platform/effect_module.h"

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

void* LoadEffectModule(const std::string& path, EffectModuleError& error) {
    error = {};
    std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    // Tells a missing or unreadable file apart from one the loader refuses.
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error.code = static_cast<std::uint32_t>(errno);
        error.notFound = errno == ENOENT || errno == ENOTDIR;
        error.message = std::strerror(errno);
        return nullptr;
    }
    ::close(fd);
    void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module != nullptr)
        return module;
    const char* text = dlerror();
    error.message = text != nullptr ? text : "unknown loader error";
    // The file is there, so a missing file can only be a library it needs.
    error.notFound = error.message.find(std::strerror(ENOENT)) != std::string::npos;
    error.code = error.notFound ? ENOENT : ENOEXEC;
    return nullptr;
}

void* EffectModuleSymbol(void* module, const char* name) {
    return module != nullptr ? dlsym(module, name) : nullptr;
}

void FreeEffectModule(void* module) {
    if (module != nullptr)
        dlclose(module);
}

} // namespace platform
