// The INI document: any bytes parse; writing a valid key reads back what was written, and the
// serialized document parses to the same values again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/ini.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IniDocument document = IniDocument::Parse(text);
    const std::string once = document.Serialize();
    IniDocument again = IniDocument::Parse(once);
    if (again.Serialize() != once)
        __builtin_trap();

    // The first line's bytes as a value of a fixed key.
    const std::string value(text.substr(0, text.find_first_of("\r\n")));
    if (document.Set("fuzz", "key", value)) {
        if (document.Get("fuzz", "key") != value)
            __builtin_trap();
        if (IniDocument::Parse(document.Serialize()).Get("fuzz", "key") != value)
            __builtin_trap();
    }
    return 0;
}
