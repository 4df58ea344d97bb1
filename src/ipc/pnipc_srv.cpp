#include "ipc/pnipc_srv.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "base/mlog.h"
#include "base/utf.h"
#include "ipc/pnipc_cmds.h"
#include "ipc/voice_handlers.h"

namespace {

void StubSrvUpdate(IpcPayload&, VoiceServerHandlers& h) {
    h.SrvUpdate();
}

// u32 n, then n texts. Texts that would not fit the payload are left out (and n counts only
// those sent), so the answer always reads back whole.
void StubSrvGetErrors(IpcPayload& p, VoiceServerHandlers& h) {
    std::vector<std::string> errors = h.SrvGetErrors();
    std::size_t room = p.MaxPayload() < 4 ? 0 : p.MaxPayload() - 4;
    std::size_t count = 0;
    for (const std::string& text : errors) {
        std::size_t bytes = 2 * (Utf8ToUtf16(text).size() + 1);
        if (bytes > room)
            break;
        room -= bytes;
        ++count;
    }
    if (count < errors.size())
        LogWarning("Ipc stub code %u: %zu of %zu texts do not fit the answer.",
                   static_cast<unsigned>(kCmdSrvGetErrors), errors.size() - count, errors.size());
    p.WriteU32(static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i)
        p.WriteString(errors[i]);
}

void StubMonitorSet(IpcPayload& p, VoiceServerHandlers& h) {
    h.MonitorSet(p.ReadU8());
}

void StubMonitorSetVol(IpcPayload& p, VoiceServerHandlers& h) {
    h.MonitorSetVol(p.ReadU8());
}

void StubCliOnStarted(IpcPayload&, VoiceServerHandlers& h) {
    h.CliOnStarted();
}

void StubCliOnClose(IpcPayload&, VoiceServerHandlers& h) {
    h.CliOnClose();
}

void StubEffectSetActive(IpcPayload& p, VoiceServerHandlers& h) {
    h.EffectSetActive(p.ReadI32());
}

void StubEffectSelect(IpcPayload& p, VoiceServerHandlers& h) {
    std::int32_t slot = p.ReadI32();
    std::string name = p.ReadString();
    h.EffectSelect(slot, name);
}

void StubBackSoundSetActive(IpcPayload& p, VoiceServerHandlers& h) {
    h.SoundSetActive(p.ReadI32());
}

void StubBackSoundSelect(IpcPayload& p, VoiceServerHandlers& h) {
    std::int32_t slot = p.ReadI32();
    std::string fileName = p.ReadString();
    h.SoundSelect(slot, fileName);
}

void StubBackSoundSetVol(IpcPayload& p, VoiceServerHandlers& h) {
    std::int32_t slot = p.ReadI32();
    std::uint8_t volume = p.ReadU8();
    h.SoundSetVol(slot, volume);
}

void StubEmoticPlay(IpcPayload& p, VoiceServerHandlers& h) {
    h.EmoticPlay(p.ReadI32());
}

void StubEmoticStop(IpcPayload& p, VoiceServerHandlers& h) {
    h.EmoticStop(p.ReadI32());
}

void StubEmoticSelect(IpcPayload& p, VoiceServerHandlers& h) {
    std::int32_t slot = p.ReadI32();
    std::string fileName = p.ReadString();
    h.EmoticSelect(slot, fileName);
}

void StubEmoticStopAll(IpcPayload&, VoiceServerHandlers& h) {
    h.EmoticStopAll();
}

// u32 n, then n bytes (1 = playing).
void StubEmoticsStatus(IpcPayload& p, VoiceServerHandlers& h) {
    std::vector<bool> playing = h.EmoticsStatus();
    std::size_t room = p.MaxPayload() < 4 ? 0 : p.MaxPayload() - 4;
    std::size_t count = std::min(playing.size(), room);
    p.WriteU32(static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i)
        p.WriteU8(playing[i] ? 1 : 0);
}

constexpr IpcCommand kTable[] = {
    {StubSrvUpdate, kCmdSrvUpdate},
    {StubSrvGetErrors, kCmdSrvGetErrors},
    {StubMonitorSet, kCmdMonitorSet},
    {StubMonitorSetVol, kCmdMonitorSetVol},
    {StubCliOnStarted, kCmdCliOnStarted},
    {StubCliOnClose, kCmdCliOnClose},
    {StubEffectSetActive, kCmdEffectSetActive},
    {StubEffectSelect, kCmdEffectSelect},
    {StubBackSoundSetActive, kCmdBackSoundSetActive},
    {StubBackSoundSelect, kCmdBackSoundSelect},
    {StubBackSoundSetVol, kCmdBackSoundSetVol},
    {StubEmoticPlay, kCmdEmoticPlay},
    {StubEmoticStop, kCmdEmoticStop},
    {StubEmoticSelect, kCmdEmoticSelect},
    {StubEmoticStopAll, kCmdEmoticStopAll},
    {StubEmoticsStatus, kCmdEmoticsStatus},
};

} // namespace

std::span<const IpcCommand> ServerCommandTable() {
    return kTable;
}
