#include "effect_test_env.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

#include "base/mlog.h"
#include "base/strtable.h"

namespace testeffect {

std::string TestPluginPath(const std::string& name) {
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = length > 0 ? std::string(self, static_cast<std::size_t>(length)) : "";
    folder = folder.substr(0, folder.rfind('/') + 1);
    return folder + "plugins/" + name + ".so";
}

std::vector<std::string> FileLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

EffectTestEnv::EffectTestEnv()
    : logPath_(dir_.File("test.log")), callsPath_(dir_.File("plugin-calls.txt")) {
    EXPECT_NE(StartStrings(dir_.File("none.glo"), dir_.Path()), 0u);
    EXPECT_TRUE(LogInit(logPath_.c_str(), false, false, false, false, false));
    setenv("VOXWARP_TEST_PLUGIN_LOG", callsPath_.c_str(), 1);
}

EffectTestEnv::~EffectTestEnv() {
    unsetenv("VOXWARP_TEST_PLUGIN_LOG");
    LogInit("", false, false, false, false, false);
    EndStrings();
}

std::string EffectTestEnv::LogText() const {
    std::string text;
    for (const std::string& line : LogLines())
        text += line + "\n";
    return text;
}

bool EffectTestEnv::HasLogLine(const std::string& line) const {
    std::vector<std::string> lines = LogLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

void EffectTestEnv::ClearPluginCalls() const {
    std::remove(callsPath_.c_str());
}

} // namespace testeffect
