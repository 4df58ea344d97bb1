// The process log of one test, written without time stamps so that whole lines can be compared.
#pragma once

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "base/mlog.h"
#include "temp_dir.h"

namespace testaudio {

class CapturedLog {
public:
    CapturedLog() : path_(dir_.File("test.log")) {
        LogInit(path_.c_str(), false, false, false, false, false);
    }
    ~CapturedLog() { LogInit("", false, false, false, false, false); }
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::istringstream in(testsupport::ReadFile(path_));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    // Whether one whole line equals text (kind prefix included).
    bool HasLine(const std::string& text) const {
        std::vector<std::string> lines = Lines();
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }
    bool Contains(const std::string& text) const {
        return testsupport::ReadFile(path_).find(text) != std::string::npos;
    }

private:
    testsupport::TempDir dir_;
    std::string path_;
};

} // namespace testaudio
