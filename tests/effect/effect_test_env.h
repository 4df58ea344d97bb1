// What the effect host tests share: the test plug-ins' paths, the process log of one test and
// the call log that the test plug-ins write.
#pragma once

#include <string>
#include <vector>

#include "temp_dir.h"

namespace testeffect {

// The path of a test plug-in built next to the test program ("gain" -> .../plugins/gain.so).
std::string TestPluginPath(const std::string& name);

// Lines of a text file, without their line ends; none when the file is missing.
std::vector<std::string> FileLines(const std::string& path);

// For one test: the process log goes to a file of its own, the string table is started, and
// the test plug-ins log the calls they receive into another file.
class EffectTestEnv {
public:
    EffectTestEnv();
    ~EffectTestEnv();
    EffectTestEnv(const EffectTestEnv&) = delete;
    EffectTestEnv& operator=(const EffectTestEnv&) = delete;

    const testsupport::TempDir& Dir() const { return dir_; }
    std::vector<std::string> LogLines() const { return FileLines(logPath_); }
    std::string LogText() const;
    bool HasLogLine(const std::string& line) const;
    // The calls the test plug-ins received so far.
    std::vector<std::string> PluginCalls() const { return FileLines(callsPath_); }
    void ClearPluginCalls() const;

private:
    testsupport::TempDir dir_;
    std::string logPath_;
    std::string callsPath_;
};

} // namespace testeffect
