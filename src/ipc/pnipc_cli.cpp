#include "ipc/pnipc_cli.h"

#include <algorithm>
#include <cstddef>
#include <tuple>
#include <type_traits>

#include "base/mlog.h"
#include "ipc/ipc.h"

namespace {

// The note written before a command is sent; fields are the request's parameters.
template <IpcClientLog kLog, typename Fields>
void LogRequest(const char* method, const Fields& fields) {
    if constexpr (kLog == IpcClientLog::Name)
        LogNote("%s", method);
    else if constexpr (kLog == IpcClientLog::Call)
        LogNote("%s()", method);
    else if constexpr (kLog == IpcClientLog::Slot)
        LogNote("%s(slot=%d)", method, std::get<0>(fields));
    else if constexpr (kLog == IpcClientLog::SlotName)
        LogNote("%s(slot=%d, name=%s)", method, std::get<0>(fields), std::get<1>(fields).c_str());
    else if constexpr (kLog == IpcClientLog::SlotVolume)
        LogNote("%s(slot=%d, volume=%d)", method, std::get<0>(fields), std::get<1>(fields));
}

bool WriteField(IPC& c, std::int32_t value) {
    return c.WriteI32(value);
}

bool WriteField(IPC& c, std::uint8_t value) {
    return c.WriteU8(value);
}

bool WriteField(IPC& c, const std::string& text) {
    return c.WriteString(text);
}

// The number of payload bytes the answer has left to read.
std::size_t AnswerRest(IPC& c) {
    IpcPayload& p = c.Payload();
    return p.Size() > p.ReadPosition() ? p.Size() - p.ReadPosition() : 0;
}

void ReadAnswer(IPC&) {}

void ReadAnswer(IPC& c, IpcAnswerTexts& texts) {
    std::uint32_t count = c.ReadU32();
    // Each text takes at least its terminating zero: a count beyond what the answer holds
    // stops at its end.
    for (std::uint32_t i = 0; i < count && AnswerRest(c) > 0; ++i)
        texts.push_back(c.ReadString());
}

void ReadAnswer(IPC& c, IpcAnswerFlags& flags) {
    std::size_t count = std::min<std::size_t>(c.ReadU32(), AnswerRest(c));
    for (std::size_t i = 0; i < count; ++i)
        flags.push_back(c.ReadU8() != 0);
}

// One command: takes the channel lock, writes the request fields (when they do not fit the
// payload nothing is sent), sends, reads the answer when the server answered, and releases the
// lock once.
template <IpcClientLog kLog, typename Fields, typename... Answer>
bool RunCommand(IPC* channel, std::uint32_t code, const char* method, const Fields& fields,
                Answer&... answer) {
    LogRequest<kLog>(method, fields);
    if (channel == nullptr)
        return false;
    if (!channel->Lock(kChannelLockMs)) {
        LogError("Ipc channel lock not obtained within %u ms (code %u).", kChannelLockMs, code);
        return false;
    }
    channel->BeginRequest();
    bool sent = false;
    bool fits = std::apply(
        [channel](const auto&... field) { return (WriteField(*channel, field) && ...); }, fields);
    if (fits) {
        sent = channel->SendMessageW(code);
        if (sent)
            ReadAnswer(*channel, answer...);
    } else {
        LogError("Ipc request of code %u does not fit the payload.", code);
    }
    channel->Unlock();
    return sent;
}

} // namespace

#define VOXWARP_IPC_ANSWER_ARG_None
#define VOXWARP_IPC_ANSWER_ARG_Texts , answer
#define VOXWARP_IPC_ANSWER_ARG_Flags , answer
#define VOXWARP_IPC_CLIENT_METHOD(name, code, answer, log, params, args)                           \
    bool PnIpcCli::name VOXWARP_IPC_CLIENT_PARAMS(answer, params) {                                \
        return RunCommand<IpcClientLog::log>(                                                      \
            channel_, code, "PnIpcCli::" #name,                                                    \
            std::forward_as_tuple args VOXWARP_IPC_ANSWER_ARG_##answer);                           \
    }
VOXWARP_IPC_COMMANDS(VOXWARP_IPC_CLIENT_METHOD)
#undef VOXWARP_IPC_CLIENT_METHOD
