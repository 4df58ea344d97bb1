// voxwarpctl's connection to the running voice server: the client channel and the protocol's
// client on it.
#pragma once

#include "ctl_run.h"

namespace voxwarpctl {

class ChannelConnector : public CtlConnector {
public:
    std::unique_ptr<CtlSender> Connect(const std::string& base) override;
};

} // namespace voxwarpctl
