// A voice server for the options sheet's tests: answers when connected and records every
// command it got.
#pragma once

#include <string>
#include <vector>

#include "options/options_server.h"

namespace optionstest {

class FakeOptionsServer : public OptionsServer {
public:
    bool Connected() override { return connected; }
    bool MonitorSet(bool on) override { return Record(on ? "MonitorSet 1" : "MonitorSet 0"); }
    bool BackSoundSelect(std::int32_t slot, const std::string& fileName) override {
        return Record("BackSoundSelect " + std::to_string(slot) + " " + fileName);
    }
    bool SrvUpdate() override { return Record("SrvUpdate"); }

    bool connected = true;
    std::vector<std::string> commands;

private:
    bool Record(const std::string& command) {
        if (connected)
            commands.push_back(command);
        return connected;
    }
};

// No voice server runs.
class NoOptionsServer : public FakeOptionsServer {
public:
    NoOptionsServer() { connected = false; }
};

} // namespace optionstest
