#include "mo_writer.h"

#include <algorithm>
#include <cstdint>

namespace testsupport {

std::string BuildMoCatalog(std::vector<MoMessage> messages, bool bigEndian, bool sorted) {
    if (sorted)
        std::stable_sort(
            messages.begin(), messages.end(),
            [](const MoMessage& a, const MoMessage& b) { return a.original < b.original; });
    std::string out;
    auto word = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>(v >> (bigEndian ? 24 - 8 * i : 8 * i));
    };
    const auto n = static_cast<std::uint32_t>(messages.size());
    const std::uint32_t originals = 28, translations = 28 + 8 * n;
    std::uint32_t strings = translations + 8 * n;
    for (std::uint32_t v : {0x950412deu, 0u, n, originals, translations, 0u, strings})
        word(v);
    std::string data;
    auto table = [&](auto member) {
        for (const MoMessage& m : messages) {
            word(static_cast<std::uint32_t>((m.*member).size()));
            word(static_cast<std::uint32_t>(strings + data.size()));
            data += m.*member;
            data += '\0';
        }
    };
    table(&MoMessage::original);
    table(&MoMessage::translation);
    return out + data;
}

std::string BuildSharedStringCatalog(std::uint32_t count, std::uint32_t length) {
    std::string out;
    auto word = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>(v >> (8 * i));
    };
    const std::uint32_t originals = 28, translations = 28 + 8 * count;
    const std::uint32_t string = translations + 8 * count;
    for (std::uint32_t v : {0x950412deu, 0u, count, originals, translations, 0u, string})
        word(v);
    for (std::uint32_t i = 0; i < 2 * count; ++i) {
        word(length);
        word(string);
    }
    return out + std::string(length, 'a') + '\0';
}

} // namespace testsupport
