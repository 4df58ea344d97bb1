// The names an effect host derives for a plug-in, and the texts plug-ins hand it.
#pragma once

#include <cstddef>
#include <string>

struct EffectFileNames {
    std::string fileName; // the file name with extension, without folder
    std::string baseName; // without the last extension, first letter upper-cased
};

// Splits a plug-in path at its last '/' or '\' (a path with neither is a file name). The base
// name ends before the file name's last dot, unless the file name has no dot or its only dot
// is its first character.
EffectFileNames SplitEffectPath(const std::string& path);

// A zero-terminated text from a plug-in buffer of size bytes (terminated at the end when the
// plug-in did not) as UTF-8: valid UTF-8 is kept, anything else is read as Latin-1.
std::string PluginTextToUtf8(const char* text, std::size_t size);

// The text without leading and trailing blanks (spaces and tabs).
std::string TrimBlanks(const std::string& text);
