#include "ipc/pnipc_srv.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "base/mlog.h"
#include "ipc/pnipc_cmds.h"
#include "ipc/voice_handlers.h"
#include "text/utf.h"

namespace {

// Request fields, read in the order of the handler's parameters. Reads beyond the payload
// yield zeros.
template <typename T>
T ReadField(IpcPayload& p) {
    if constexpr (std::is_same_v<T, std::int32_t>)
        return p.ReadI32();
    else if constexpr (std::is_same_v<T, std::uint8_t>)
        return p.ReadU8();
    else {
        static_assert(std::is_same_v<T, std::string>, "request fields are i32, u8 or text");
        return p.ReadString();
    }
}

// u32 n, then n texts. Texts that would not fit the payload are left out (and n counts only
// those sent), so the answer always reads back whole.
void WriteAnswer(IpcPayload& p, std::uint32_t code, const IpcAnswerTexts& texts) {
    std::size_t room = p.MaxPayload() < 4 ? 0 : p.MaxPayload() - 4;
    std::size_t count = 0;
    for (const std::string& text : texts) {
        std::size_t bytes = 2 * (Utf8ToUtf16(text).size() + 1);
        if (bytes > room)
            break;
        room -= bytes;
        ++count;
    }
    if (count < texts.size())
        LogWarning("Ipc stub code %u: %zu of %zu texts do not fit the answer.", code,
                   texts.size() - count, texts.size());
    p.WriteU32(static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i)
        p.WriteString(texts[i]);
}

// u32 n, then n bytes (1 = set).
void WriteAnswer(IpcPayload& p, std::uint32_t, const IpcAnswerFlags& flags) {
    std::size_t room = p.MaxPayload() < 4 ? 0 : p.MaxPayload() - 4;
    std::size_t count = std::min(flags.size(), room);
    p.WriteU32(static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i)
        p.WriteU8(flags[i] ? 1 : 0);
}

template <std::uint32_t kCode, typename Handler>
struct Stub;

// Reads the request fields, calls the handler, writes the answer fields.
template <std::uint32_t kCode, typename Result, typename... Params>
struct Stub<kCode, Result (VoiceServerHandlers::*)(Params...)> {
    template <Result (VoiceServerHandlers::*kHandler)(Params...)>
    static void Run(IpcPayload& p, VoiceServerHandlers& h) {
        // Braced initialisation reads the fields from left to right.
        std::tuple<std::decay_t<Params>...> fields{ReadField<std::decay_t<Params>>(p)...};
        auto call = [&h](auto&... field) { return (h.*kHandler)(field...); };
        if constexpr (std::is_void_v<Result>)
            std::apply(call, fields);
        else
            WriteAnswer(p, kCode, std::apply(call, fields));
    }
};

constexpr IpcCommand kTable[] = {
#define VOXWARP_IPC_STUB(name, code, answer, log, params, args)                                    \
    {&Stub<code, decltype(&VoiceServerHandlers::name)>::Run<&VoiceServerHandlers::name>, code},
    VOXWARP_IPC_COMMANDS(VOXWARP_IPC_STUB)
#undef VOXWARP_IPC_STUB
};

} // namespace

std::span<const IpcCommand> ServerCommandTable() {
    return kTable;
}
