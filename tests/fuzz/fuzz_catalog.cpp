// Language catalogs (gettext .mo files) from any bytes.
#include <cstddef>
#include <cstdint>

#include "mo_catalog.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    glosso::ParseMoCatalog(data, size);
    return 0;
}
