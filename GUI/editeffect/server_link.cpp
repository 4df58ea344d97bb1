#include "editeffect/server_link.h"

#include "ipc/ipc.h"

bool VoiceServerConnected() {
    IPC channel;
    const bool open = channel.Open();
    channel.Close();
    return open;
}
