// Captures the debug trace lines (base/debug_trace.h) written while the object lives, for tests
// that check which diagnostics a piece of code wrote.
#pragma once

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "base/debug_trace.h"

namespace testsupport {

class DebugTraceCapture {
public:
    DebugTraceCapture() {
        previous_ = SetDebugTraceSink([this](const std::string& text) {
            std::lock_guard<std::mutex> guard(lock_);
            lines_.push_back(text);
        });
    }
    ~DebugTraceCapture() { SetDebugTraceSink(previous_); }
    DebugTraceCapture(const DebugTraceCapture&) = delete;
    DebugTraceCapture& operator=(const DebugTraceCapture&) = delete;

    std::vector<std::string> Lines() const {
        std::lock_guard<std::mutex> guard(lock_);
        return lines_;
    }
    bool Has(const std::string& text) const {
        std::lock_guard<std::mutex> guard(lock_);
        return std::find(lines_.begin(), lines_.end(), text) != lines_.end();
    }
    void Clear() {
        std::lock_guard<std::mutex> guard(lock_);
        lines_.clear();
    }

private:
    mutable std::mutex lock_;
    std::vector<std::string> lines_;
    DebugTraceSink previous_;
};

} // namespace testsupport
