#include "mainwindow/voice_server_link.h"

#include <cerrno>

#include "ipc/ipc.h"
#include "ipc/pnipc_cli.h"

namespace {

// The channel and its client, used from the GUI thread only (a request is written into the
// channel object itself, so two threads must not share it).
class IpcVoiceServerLink : public VoiceServerLink {
public:
    IpcVoiceServerLink() : client_(&channel_) {}
    ~IpcVoiceServerLink() override { channel_.Close(); }

    bool Open() { return channel_.Open(); }

    bool CliOnStarted() override { return client_.CliOnStarted(); }
    bool CliOnClose() override { return client_.CliOnClose(); }
    bool EffectSetActive(std::int32_t slot) override { return client_.EffectSetActive(slot); }
    bool EffectSelect(std::int32_t slot, const std::string& name) override {
        return client_.EffectSelect(slot, name);
    }
    bool BackSoundSetActive(std::int32_t slot) override { return client_.BackSoundSetActive(slot); }
    bool BackSoundSetVol(std::int32_t slot, std::uint8_t volume) override {
        return client_.BackSoundSetVol(slot, volume);
    }
    bool BackSoundSelect(std::int32_t slot, const std::string& fileName) override {
        return client_.BackSoundSelect(slot, fileName);
    }
    bool EmoticPlay(std::int32_t slot) override { return client_.EmoticPlay(slot); }
    bool EmoticStop(std::int32_t slot) override { return client_.EmoticStop(slot); }
    bool EmoticSelect(std::int32_t slot, const std::string& fileName) override {
        return client_.EmoticSelect(slot, fileName);
    }
    bool EmoticStopAll() override { return client_.EmoticStopAll(); }
    bool EmoticsStatus(std::vector<bool>& playing) override {
        return client_.EmoticsStatus(playing);
    }
    bool MonitorSet(bool on) override { return client_.MonitorSet(on ? 1 : 0); }
    bool MonitorSetVol(std::uint8_t volume) override { return client_.MonitorSetVol(volume); }
    bool SrvGetErrors(std::vector<std::string>& errors) override {
        return client_.SrvGetErrors(errors);
    }

private:
    IPC channel_;
    PnIpcCli client_;
};

} // namespace

std::unique_ptr<VoiceServerLink> OpenIpcVoiceServerLink(int& error) {
    auto link = std::make_unique<IpcVoiceServerLink>();
    errno = 0;
    if (!link->Open()) {
        error = errno != 0 ? errno : ENOENT;
        return nullptr;
    }
    error = 0;
    return link;
}
