#include "wrapup.h"

#include "command_line.h"
#include "ini_line_file.h"
#include "version_strings.h"
#include "wrapup_files.h"

#include <array>
#include <cerrno>

namespace {

// The values copied: the name in the version strings and the key in config.ini.
struct CopiedValue {
    const char* source;
    const char* key;
};

constexpr std::array<CopiedValue, 4> kCopiedValues = {{
    {"PartnerId", "PartnerId"},
    {"AffiliateId", "AffiliateId"},
    {"InfoUrl", "WebInfo"},
    {"KestrelUrl", "KestrelUrl"},
}};
constexpr size_t kAffiliateIndex = 1;

// The programs read the copied keys from this section of config.ini.
constexpr const char* kConfigSection = "sys";

} // namespace

int RunWrapup(std::string_view commandLine) {
    std::string folder;
    if (!CurrentFolder(folder))
        return kWrapupNoCurrentFolder;
    return RunWrapupIn(folder, commandLine);
}

int RunWrapupIn(const std::string& installFolder, std::string_view commandLine) {
    VersionStrings versions;
    if (!versions.Load(PathFromCommandLine(commandLine)))
        return kWrapupNoVersionStrings;

    std::array<std::string, kCopiedValues.size()> values;
    std::array<bool, kCopiedValues.size()> missing{};
    for (size_t i = 0; i < kCopiedValues.size(); ++i)
        versions.Get(kCopiedValues[i].source, values[i], missing[i]);

    int exitCode = kWrapupSuccess;
    if (!missing[kAffiliateIndex]) {
        const std::string& affiliate = values[kAffiliateIndex];
        if (platform::WriteWholeFileAtomic(installFolder + "affiliate.txt", affiliate) != 0 ||
            platform::WriteWholeFileAtomic(installFolder + kCompanionFolder + "/affiliate.txt",
                                           affiliate) != 0)
            exitCode = kWrapupAffiliateNotWritten;
    }

    bool anyPresent = false;
    for (bool m : missing)
        anyPresent = anyPresent || !m;
    if (!anyPresent)
        return exitCode;

    // A config.ini that exists but cannot be read is left alone: rewriting it from an empty
    // list would throw away every setting in it.
    const std::string configPath = installFolder + "config.ini";
    IniLineFile config;
    if (int rc = config.Load(configPath); rc != 0 && rc != ENOENT)
        return exitCode | kWrapupConfigNotSaved;

    bool anySet = false;
    bool allSet = true;
    for (size_t i = 0; i < kCopiedValues.size(); ++i) {
        if (missing[i])
            continue;
        if (config.Set(kCopiedValues[i].key, values[i], kConfigSection))
            anySet = true;
        else
            allSet = false; // a line break in the value: it cannot go into an INI line
    }
    if (anySet && config.Save(configPath) != 0)
        allSet = false;
    return allSet ? exitCode : exitCode | kWrapupConfigNotSaved;
}
