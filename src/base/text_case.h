// Names compared as a user reads them, whatever the case of their (ASCII) letters.
#pragma once

#include <algorithm>
#include <cctype>
#include <string_view>

inline bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Whether name ends in extension (".wav") in any case, with something before it.
inline bool HasExtension(std::string_view name, std::string_view extension) {
    return name.size() > extension.size() &&
           EqualNoCase(name.substr(name.size() - extension.size()), extension);
}
