// Helpers of the sound server tests: pactl answers, shell quoting, environment overrides.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "sound_server.h"

namespace pulsetest {

// What "pactl ARGS" printed against the private server; empty when it failed.
inline std::string Pactl(const std::string& args) {
    std::string out;
    if (testsupport::RunWithSoundServer("pactl " + args, &out) != 0) {
        return "";
    }
    return out;
}

// One word for the shell, whatever it holds.
inline std::string ShellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

// Column column (from 0) of each tab-separated line of "pactl list short ..." output.
inline std::vector<std::string> ShortColumn(const std::string& listing, std::size_t column) {
    std::vector<std::string> values;
    std::size_t start = 0;
    while (start < listing.size()) {
        std::size_t end = listing.find('\n', start);
        if (end == std::string::npos) {
            end = listing.size();
        }
        std::string line = listing.substr(start, end - start);
        start = end + 1;
        std::size_t from = 0;
        for (std::size_t i = 0; i < column && from != std::string::npos; ++i) {
            from = line.find('\t', from);
            from = from == std::string::npos ? from : from + 1;
        }
        if (from != std::string::npos && !line.empty()) {
            values.push_back(line.substr(from, line.find('\t', from) - from));
        }
    }
    return values;
}

// Sets an environment variable for its scope and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace pulsetest
