#include "effect/effect_names.h"

#include <cstring>

#include "text/utf.h"

namespace {

// Upper-cases the first letter when it is a Latin letter (ASCII or Latin-1); other scripts and
// signs stay as they are.
void UpperFirst(std::string& text) {
    if (text.empty())
        return;
    std::size_t pos = 0;
    char32_t first = DecodeUtf8(text, pos);
    char32_t upper = first;
    if (first >= U'a' && first <= U'z')
        upper = first - 0x20;
    else if (first >= 0xE0 && first <= 0xFE && first != 0xF7)
        upper = first - 0x20;
    if (upper == first)
        return;
    std::string rest = text.substr(pos);
    text.clear();
    AppendUtf8(text, upper);
    text += rest;
}

} // namespace

EffectFileNames SplitEffectPath(const std::string& path) {
    EffectFileNames names;
    std::size_t slash = path.find_last_of("/\\");
    names.fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = names.fileName.rfind('.');
    names.baseName =
        dot == std::string::npos || dot == 0 ? names.fileName : names.fileName.substr(0, dot);
    UpperFirst(names.baseName);
    return names;
}

std::string PluginTextToUtf8(const char* text, std::size_t size) {
    std::string raw(text, strnlen(text, size));
    if (IsValidUtf8(raw))
        return raw;
    std::string converted;
    for (unsigned char c : raw)
        AppendUtf8(converted, c);
    return converted;
}

std::string TrimBlanks(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}
