// Writes gettext message catalogs (.mo) for the translation tests.
#pragma once

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

} // namespace testsupport
