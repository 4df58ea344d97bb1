// The shared object of an effect plug-in: loading it, finding its entry points, freeing it.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Why a module did not load.
struct EffectModuleError {
    bool notFound = false;  // the file, or a library it needs, does not exist
    std::uint32_t code = 0; // system error number
    std::string message;    // the loader's own explanation
};

// Loads the module at path with all its symbols resolved now and kept to itself. A path
// without a folder names a file in the current folder, never one of the system's library
// folders. Returns nullptr and fills error on failure.
void* LoadEffectModule(const std::string& path, EffectModuleError& error);

// The address of an exported function, or nullptr.
void* EffectModuleSymbol(void* module, const char* name);

// Frees a module from LoadEffectModule; nullptr is ignored.
void FreeEffectModule(void* module);

} // namespace platform
