#include "ctl_channel.h"

#include "ipc/ipc.h"
#include "ipc/pnipc_cli.h"

namespace voxwarpctl {
namespace {

// Sends through an open client channel, which it owns.
class ChannelSender : public CtlSender {
public:
    explicit ChannelSender(std::unique_ptr<IPC> channel)
        : channel_(std::move(channel)), client_(channel_.get()) {}
    ~ChannelSender() override { channel_->Close(); }

    bool SrvUpdate() override { return client_.SrvUpdate(); }
    bool SrvGetErrors(std::vector<std::string>& errors) override {
        return client_.SrvGetErrors(errors);
    }
    bool MonitorSet(bool on) override { return client_.MonitorSet(on); }
    bool MonitorSetVol(std::uint8_t volume) override { return client_.MonitorSetVol(volume); }
    bool CliOnStarted() override { return client_.CliOnStarted(); }
    bool CliOnClose() override { return client_.CliOnClose(); }
    bool EffectSetActive(std::int32_t slot) override { return client_.EffectSetActive(slot); }
    bool EffectSelect(std::int32_t slot, const std::string& name) override {
        return client_.EffectSelect(slot, name);
    }
    bool BackSoundSetActive(std::int32_t slot) override { return client_.BackSoundSetActive(slot); }
    bool BackSoundSelect(std::int32_t slot, const std::string& fileName) override {
        return client_.BackSoundSelect(slot, fileName);
    }
    bool BackSoundSetVol(std::int32_t slot, std::uint8_t volume) override {
        return client_.BackSoundSetVol(slot, volume);
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

private:
    std::unique_ptr<IPC> channel_;
    PnIpcCli client_;
};

} // namespace

std::unique_ptr<CtlSender> ChannelConnector::Connect(const std::string& base) {
    auto channel = std::make_unique<IPC>(base);
    if (!channel->Open())
        return nullptr;
    return std::make_unique<ChannelSender>(std::move(channel));
}

} // namespace voxwarpctl
