// The version note of a program file: the ELF note search over any bytes, and the JSON object
// of strings it holds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/version_note.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    versionnote::StringTable strings;
    if (!versionnote::ParseStringObject(bytes, strings) && !strings.empty())
        __builtin_trap();
    std::string json;
    const versionnote::MemoryByteSource source(bytes);
    if (versionnote::FindPackageNote(source, json) == versionnote::NoteSearch::kFound)
        versionnote::ParseStringObject(json, strings);
    return 0;
}
