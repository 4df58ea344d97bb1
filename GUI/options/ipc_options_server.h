// The voice server of the options sheet over the command channel. Each call opens the channel,
// so that a server restarted meanwhile (the General page's Restart Service) is found again.
#pragma once

#include "options/options_server.h"

class IpcOptionsServer : public OptionsServer {
public:
    // GUI thread; may block briefly.
    bool Connected() override;
    // GUI thread; may block briefly.
    bool MonitorSet(bool on) override;
    // GUI thread; may block briefly.
    bool BackSoundSelect(std::int32_t slot, const std::string& fileName) override;
    // GUI thread; may block briefly.
    bool SrvUpdate() override;
};
