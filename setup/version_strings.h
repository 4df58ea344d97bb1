// The version strings of one program file (the installer's), looked up by name.
#pragma once

#include "base/version_note.h"

#include <string>

class VersionStrings {
public:
    // Reads the version strings of the program file at path. False when the file cannot be read
    // or carries none.
    bool Load(const std::string& path);

    // The string called name. When the file has none, out is empty and missing is true.
    void Get(const std::string& name, std::string& out, bool& missing) const;

private:
    versionnote::StringTable strings_;
};
