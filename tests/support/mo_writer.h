// Writes gettext message catalogs (.mo) for the translation tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct MoMessage {
    std::string original;
    std::string translation;
};

// A catalog as msgfmt lays it out: header, originals table, translations table, then the
// strings, each followed by a zero. No hash table.
std::string BuildMoCatalog(std::vector<MoMessage> messages, bool bigEndian = false,
                           bool sorted = true);

// A catalog of count entries whose English text and translation are all one string of length
// bytes: small on disk, but count * 2 * length bytes of text when every entry is copied.
std::string BuildSharedStringCatalog(std::uint32_t count, std::uint32_t length);

} // namespace testsupport
