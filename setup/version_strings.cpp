#include "version_strings.h"

bool VersionStrings::Load(const std::string& path) {
    return versionnote::ReadVersionStrings(path, strings_) == 0;
}

void VersionStrings::Get(const std::string& name, std::string& out, bool& missing) const {
    const std::string* value = versionnote::FindString(strings_, name);
    missing = value == nullptr;
    out = value ? *value : std::string();
}
