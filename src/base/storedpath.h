// Paths as the configuration stores them: written with '\' separators and often relative to
// the program folder (".\skins\en\Default.sdf").
#pragma once

#include <string>
#include <string_view>

// The stored path with '/' separators.
inline std::string SlashPath(std::string_view storedPath) {
    std::string path(storedPath);
    for (char& c : path) {
        if (c == '\\')
            c = '/';
    }
    return path;
}

// The stored path made usable: '/' separators, and a relative path taken relative to the
// program folder (".\skins\en\Default.sdf" -> "<folder>skins/en/Default.sdf").
inline std::string ProgramPath(const std::string& programFolder, std::string_view storedPath) {
    std::string path = SlashPath(storedPath);
    if (!path.empty() && path.front() == '/')
        return path;
    std::string_view rest = path;
    while (rest.substr(0, 2) == "./")
        rest.remove_prefix(2);
    if (programFolder.empty())
        return std::string(rest);
    std::string folder = programFolder;
    if (folder.back() != '/')
        folder += '/';
    return folder + std::string(rest);
}
