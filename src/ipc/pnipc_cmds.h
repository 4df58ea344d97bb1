// The command protocol between the control panel and the voice server, declared once. The
// codes, the server's handler interface and command table, the client PnIpcCli and voxwarpctl
// are all built from this list; a new command is one entry here and its handler in the server.
//
// X(Name, code, answer, client log, (request parameters), (their names))
//   Name        the client's method and the server's handler
//   request     written into the payload in order: std::int32_t as i32, std::uint8_t as u8,
//               std::string as text (UTF-16 with terminating zero)
//   answer      None: nothing; Texts: u32 n, then n texts (the handler returns a list of
//               texts); Flags: u32 n, then n bytes, 1 = set (the handler returns a list of
//               flags). The client appends what it reads to a list the caller passes last.
//   client log  the note PnIpcCli writes before it sends (IpcClientLog)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// clang-format off
#define VOXWARP_IPC_COMMANDS(X)                                                                    \
    X(SrvUpdate,          101, None,  Name,       (), ())                                          \
    X(SrvGetErrors,       102, Texts, Name,       (), ())                                          \
    X(MonitorSet,         103, None,  Name,       (std::uint8_t on), (on))                         \
    X(MonitorSetVol,      104, None,  Name,       (std::uint8_t volume), (volume))                 \
    X(CliOnStarted,       105, None,  Name,       (), ())                                          \
    X(CliOnClose,         106, None,  Name,       (), ())                                          \
    X(EffectSetActive,    201, None,  Slot,       (std::int32_t slot), (slot))                     \
    X(EffectSelect,       202, None,  SlotName,   (std::int32_t slot, const std::string& name),    \
                                                  (slot, name))                                    \
    X(BackSoundSetActive, 301, None,  Silent,     (std::int32_t slot), (slot))                     \
    X(BackSoundSelect,    302, None,  Slot,       (std::int32_t slot, const std::string& fileName),\
                                                  (slot, fileName))                                \
    X(BackSoundSetVol,    303, None,  SlotVolume, (std::int32_t slot, std::uint8_t volume),        \
                                                  (slot, volume))                                  \
    X(EmoticPlay,         401, None,  Slot,       (std::int32_t slot), (slot))                     \
    X(EmoticStop,         402, None,  Slot,       (std::int32_t slot), (slot))                     \
    X(EmoticSelect,       403, None,  Slot,       (std::int32_t slot, const std::string& fileName),\
                                                  (slot, fileName))                                \
    X(EmoticStopAll,      405, None,  Call,       (), ())                                          \
    X(EmoticsStatus,      406, Flags, Name,       (), ())
// clang-format on

enum PnIpcCommand : std::uint32_t {
#define VOXWARP_IPC_CODE(name, code, answer, log, params, args) kCmd##name = code,
    VOXWARP_IPC_COMMANDS(VOXWARP_IPC_CODE)
#undef VOXWARP_IPC_CODE
};

// Number of fun-sound slots reported by EmoticsStatus.
constexpr int kFunSlots = 60;

// What the server's handler returns for each kind of answer.
using IpcAnswerNone = void;
using IpcAnswerTexts = std::vector<std::string>;
using IpcAnswerFlags = std::vector<bool>;

// The note the client writes before it sends: "PnIpcCli::X" (Name), "PnIpcCli::X()" (Call),
// with the slot (Slot), the slot and the name (SlotName), the slot and the volume (SlotVolume),
// or nothing (Silent).
enum class IpcClientLog { Name, Call, Slot, SlotName, SlotVolume, Silent };

// The client's parameter list of a command: its request parameters, then for an answering
// command the list the answer is appended to.
#define VOXWARP_IPC_CLIENT_PARAMS_None(...) (__VA_ARGS__)
#define VOXWARP_IPC_CLIENT_PARAMS_Texts(...) (__VA_ARGS__ __VA_OPT__(, ) IpcAnswerTexts & answer)
#define VOXWARP_IPC_CLIENT_PARAMS_Flags(...) (__VA_ARGS__ __VA_OPT__(, ) IpcAnswerFlags & answer)
#define VOXWARP_IPC_CLIENT_PARAMS(answer, params) VOXWARP_IPC_CLIENT_PARAMS_##answer params
