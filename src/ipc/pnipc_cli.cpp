#include "ipc/pnipc_cli.h"

#include <algorithm>
#include <cstddef>

#include "base/mlog.h"
#include "ipc/ipc.h"
#include "ipc/pnipc_cmds.h"

namespace {

// One command: takes the channel lock, writes the request fields (writeFields returns false
// when they do not fit the payload: nothing is sent then), sends, reads the answer fields when
// the server answered, and releases the lock once.
template <typename WriteFields, typename ReadAnswer>
bool RunCommand(IPC* channel, std::uint32_t code, WriteFields writeFields, ReadAnswer readAnswer) {
    if (channel == nullptr)
        return false;
    if (!channel->Lock(kChannelLockMs)) {
        LogError("Ipc channel lock not obtained within %u ms (code %u).", kChannelLockMs, code);
        return false;
    }
    channel->BeginRequest();
    bool sent = false;
    if (writeFields(*channel)) {
        sent = channel->SendMessageW(code);
        if (sent)
            readAnswer(*channel);
    } else {
        LogError("Ipc request of code %u does not fit the payload.", code);
    }
    channel->Unlock();
    return sent;
}

bool NoFields(IPC&) {
    return true;
}

void NoAnswer(IPC&) {}

bool Send(IPC* channel, std::uint32_t code) {
    return RunCommand(channel, code, NoFields, NoAnswer);
}

bool SendSlot(IPC* channel, std::uint32_t code, std::int32_t slot) {
    return RunCommand(
        channel, code, [slot](IPC& c) { return c.WriteI32(slot); }, NoAnswer);
}

bool SendSlotText(IPC* channel, std::uint32_t code, std::int32_t slot, const std::string& text) {
    return RunCommand(
        channel, code, [&](IPC& c) { return c.WriteI32(slot) && c.WriteString(text); }, NoAnswer);
}

bool SendByte(IPC* channel, std::uint32_t code, std::uint8_t value) {
    return RunCommand(
        channel, code, [value](IPC& c) { return c.WriteU8(value); }, NoAnswer);
}

// The number of payload bytes the answer has left to read.
std::size_t AnswerRest(IPC& c) {
    IpcPayload& p = c.Payload();
    return p.Size() > p.ReadPosition() ? p.Size() - p.ReadPosition() : 0;
}

} // namespace

bool PnIpcCli::SrvUpdate() {
    LogNote("PnIpcCli::SrvUpdate");
    return Send(channel_, kCmdSrvUpdate);
}

bool PnIpcCli::SrvGetErrors(std::vector<std::string>& errors) {
    LogNote("PnIpcCli::SrvGetErrors");
    return RunCommand(channel_, kCmdSrvGetErrors, NoFields, [&errors](IPC& c) {
        std::uint32_t count = c.ReadU32();
        // Each text takes at least its terminating zero: a count beyond what the answer holds
        // stops at its end.
        for (std::uint32_t i = 0; i < count && AnswerRest(c) > 0; ++i)
            errors.push_back(c.ReadString());
    });
}

bool PnIpcCli::MonitorSet(bool on) {
    LogNote("PnIpcCli::MonitorSet");
    return SendByte(channel_, kCmdMonitorSet, on ? 1 : 0);
}

bool PnIpcCli::MonitorSetVol(std::uint8_t volume) {
    LogNote("PnIpcCli::MonitorSetVol");
    return SendByte(channel_, kCmdMonitorSetVol, volume);
}

bool PnIpcCli::CliOnStarted() {
    LogNote("PnIpcCli::CliOnStarted");
    return Send(channel_, kCmdCliOnStarted);
}

bool PnIpcCli::CliOnClose() {
    LogNote("PnIpcCli::CliOnClose");
    return Send(channel_, kCmdCliOnClose);
}

bool PnIpcCli::EffectSetActive(std::int32_t slot) {
    LogNote("%s(slot=%d)", "PnIpcCli::EffectSetActive", slot);
    return SendSlot(channel_, kCmdEffectSetActive, slot);
}

bool PnIpcCli::EffectSelect(std::int32_t slot, const std::string& name) {
    LogNote("%s(slot=%d, name=%s)", "PnIpcCli::EffectSelect", slot, name.c_str());
    return SendSlotText(channel_, kCmdEffectSelect, slot, name);
}

bool PnIpcCli::BackSoundSetActive(std::int32_t slot) {
    return SendSlot(channel_, kCmdBackSoundSetActive, slot);
}

bool PnIpcCli::BackSoundSelect(std::int32_t slot, const std::string& fileName) {
    LogNote("%s(slot=%d)", "PnIpcCli::BackSoundSelect", slot);
    return SendSlotText(channel_, kCmdBackSoundSelect, slot, fileName);
}

bool PnIpcCli::BackSoundSetVol(std::int32_t slot, std::uint8_t volume) {
    LogNote("%s(slot=%d, volume=%d)", "PnIpcCli::BackSoundSetVol", slot, volume);
    return RunCommand(
        channel_, kCmdBackSoundSetVol,
        [slot, volume](IPC& c) { return c.WriteI32(slot) && c.WriteU8(volume); }, NoAnswer);
}

bool PnIpcCli::EmoticPlay(std::int32_t slot) {
    LogNote("%s(slot=%d)", "PnIpcCli::EmoticPlay", slot);
    return SendSlot(channel_, kCmdEmoticPlay, slot);
}

bool PnIpcCli::EmoticStop(std::int32_t slot) {
    LogNote("%s(slot=%d)", "PnIpcCli::EmoticStop", slot);
    return SendSlot(channel_, kCmdEmoticStop, slot);
}

bool PnIpcCli::EmoticSelect(std::int32_t slot, const std::string& fileName) {
    LogNote("%s(slot=%d)", "PnIpcCli::EmoticSelect", slot);
    return SendSlotText(channel_, kCmdEmoticSelect, slot, fileName);
}

bool PnIpcCli::EmoticStopAll() {
    LogNote("%s()", "PnIpcCli::EmoticStopAll");
    return Send(channel_, kCmdEmoticStopAll);
}

bool PnIpcCli::EmoticsStatus(std::vector<bool>& playing) {
    LogNote("PnIpcCli::EmoticsStatus");
    return RunCommand(channel_, kCmdEmoticsStatus, NoFields, [&playing](IPC& c) {
        std::size_t count = std::min<std::size_t>(c.ReadU32(), AnswerRest(c));
        for (std::size_t i = 0; i < count; ++i)
            playing.push_back(c.ReadU8() != 0);
    });
}
