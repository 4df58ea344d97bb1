#include "options/ipc_options_server.h"

#include "editeffect/server_link.h"
#include "ipc/ipc.h"
#include "ipc/pnipc_cli.h"

namespace {

// Sends one command on a freshly opened channel; false when no server answered.
template <typename Command>
bool Send(Command command) {
    IPC channel;
    if (!channel.Open())
        return false;
    const bool answered = command(PnIpcCli(&channel));
    channel.Close();
    return answered;
}

} // namespace

bool IpcOptionsServer::Connected() {
    return VoiceServerConnected();
}

bool IpcOptionsServer::MonitorSet(bool on) {
    return SetVoiceServerMonitor(on);
}

bool IpcOptionsServer::BackSoundSelect(std::int32_t slot, const std::string& fileName) {
    return Send([&](PnIpcCli client) { return client.BackSoundSelect(slot, fileName); });
}

bool IpcOptionsServer::SrvUpdate() {
    return Send([](PnIpcCli client) { return client.SrvUpdate(); });
}
