// The voice server as the options pages reach it: whether it is connected, and the few commands
// the pages send besides the sheet's reload. Tests install their own.
#pragma once

#include <cstdint>
#include <string>

class OptionsServer {
public:
    virtual ~OptionsServer() = default;
    // Whether the server's command channel is open. GUI thread; may block briefly.
    virtual bool Connected() = 0;
    // False when no server answered. GUI thread; may block briefly.
    virtual bool MonitorSet(bool on) = 0;
    virtual bool BackSoundSelect(std::int32_t slot, const std::string& fileName) = 0;
    virtual bool SrvUpdate() = 0;
};
