// Conversions between UTF-8 (the programs' own text) and UTF-16 (the fixed-layout records and
// payloads that other components read) or wide text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

constexpr char32_t kReplacementChar = 0xFFFD;

inline void AppendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = kReplacementChar;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes the character at pos and advances pos past it. A byte that does not start a valid
// character (bad lead, missing or bad continuation, overlong form, surrogate, beyond U+10FFFF)
// reads as U+FFFD and is skipped alone.
inline char32_t DecodeUtf8(std::string_view s, std::size_t& pos) {
    auto byte = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char lead = byte(pos);
    std::size_t extra;
    char32_t c;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        c = lead & 0x07;
    } else {
        ++pos;
        return kReplacementChar;
    }
    if (s.size() - pos <= extra) {
        ++pos;
        return kReplacementChar;
    }
    for (std::size_t i = 1; i <= extra; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            ++pos;
            return kReplacementChar;
        }
        c = c << 6 | (byte(pos + i) & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++pos;
        return kReplacementChar;
    }
    pos += extra + 1;
    return c;
}

// Bytes of the valid UTF-8 character that starts at pos; 0 when none starts there.
inline std::size_t Utf8CharLength(std::string_view s, std::size_t pos) {
    std::size_t next = pos;
    // An invalid sequence decodes as U+FFFD from a single byte; a real U+FFFD takes three.
    if (DecodeUtf8(s, next) == kReplacementChar && next - pos != 3)
        return 0;
    return next - pos;
}

inline bool IsValidUtf8(std::string_view s) {
    for (std::size_t pos = 0; pos < s.size();) {
        const std::size_t length = Utf8CharLength(s, pos);
        if (length == 0)
            return false;
        pos += length;
    }
    return true;
}

inline std::u16string Utf8ToUtf16(std::string_view s) {
    std::u16string out;
    for (std::size_t pos = 0; pos < s.size();) {
        char32_t c = DecodeUtf8(s, pos);
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

// A lone surrogate becomes U+FFFD.
inline std::string Utf16ToUtf8(std::u16string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t u = s[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        }
        AppendUtf8(out, u);
    }
    return out;
}

inline std::string WideToUtf8(std::wstring_view s) {
    std::string out;
    for (wchar_t c : s)
        AppendUtf8(out, static_cast<char32_t>(c));
    return out;
}
