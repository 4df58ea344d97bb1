// Cutting UTF-8 text without splitting a character.
#pragma once

#include <cstddef>
#include <string_view>

// Length of the longest prefix of text that has at most maxBytes bytes and does not end inside
// a multi-byte character. Only the prefix is read, so a text already cut by someone else (a
// full snprintf buffer) is mended too. A prefix without a lead byte among its last four bytes
// is not UTF-8 and is cut as bytes.
inline std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes) {
    std::size_t n = text.size() < maxBytes ? text.size() : maxBytes;
    std::size_t start = n;
    for (int steps = 0; steps < 4 && start > 0; ++steps) {
        auto c = static_cast<unsigned char>(text[--start]);
        if ((c & 0xC0) == 0x80)
            continue; // continuation byte: the character began earlier
        std::size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return n - start >= need ? n : start;
    }
    return n;
}
