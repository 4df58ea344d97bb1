// Cutting UTF-8 text without splitting a character.
#pragma once

#include <cstddef>

// The largest length <= n at which text can be cut without splitting a multi-byte character.
// text is zero-terminated at or after n.
inline std::size_t Utf8CutLength(const char* text, std::size_t n) {
    // Step back while the byte at the cut is a continuation byte (10xxxxxx).
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}
