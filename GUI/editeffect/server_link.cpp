#include "editeffect/server_link.h"

#include "ipc/ipc.h"
#include "ipc/pnipc_cli.h"

bool VoiceServerConnected() {
    IPC channel;
    const bool open = channel.Open();
    channel.Close();
    return open;
}

bool SetVoiceServerMonitor(bool on) {
    IPC channel;
    if (!channel.Open())
        return false;
    const bool answered = PnIpcCli(&channel).MonitorSet(on ? 1 : 0);
    channel.Close();
    return answered;
}
