#include "ctl_commands.h"

#include "ctl_cards.h"
#include "ctl_library.h"
#include "ctl_service.h"
#include "ctl_sound.h"

#include <tuple>
#include <type_traits>
#include <utility>

namespace voxwarpctl {
namespace {

using A = CtlArg;

const CtlCommand kCommands[] = {
    {"update", {}, "make the server read its configuration files again", kCmdSrvUpdate},
    {"errors", {}, "print the server's load errors, one per line", kCmdSrvGetErrors},
    {"monitor", {A::OnOff}, "switch the monitor output on or off", kCmdMonitorSet},
    {"monitor-volume", {A::Volume}, "set the monitor volume (0..100)", kCmdMonitorSetVol},
    {"client-started", {}, "tell the server that a client has started", kCmdCliOnStarted},
    {"client-closed", {}, "tell the server that a client has closed", kCmdCliOnClose},
    {"effect", {A::SlotOrOff}, "use the voice effect of slot 1..3, or none", kCmdEffectSetActive},
    {"effect-select",
     {A::Slot, A::Name},
     "put the named voice effect into a slot (\"\" empties it)",
     kCmdEffectSelect},
    {"background",
     {A::SlotOrOff},
     "play the background sound of slot 1..3, or none",
     kCmdBackSoundSetActive},
    {"background-select",
     {A::Slot, A::File},
     "load a background sound file into a slot (\"\" empties it)",
     kCmdBackSoundSelect},
    {"background-volume",
     {A::Slot, A::Volume},
     "set the volume of a background slot (0..100)",
     kCmdBackSoundSetVol},
    {"fun play", {A::FunSlot}, "play the fun sound of slot 1..60", kCmdEmoticPlay},
    {"fun stop", {A::FunSlot}, "stop the fun sound of slot 1..60", kCmdEmoticStop},
    {"fun select", {A::FunSlot, A::File}, "load a fun sound file into a slot", kCmdEmoticSelect},
    {"fun stop-all", {}, "stop all fun sounds", kCmdEmoticStopAll},
    {"fun status", {}, "print the fun sound slots that play, one per line", kCmdEmoticsStatus},
};

// A converted argument as the value of a request parameter of type T.
template <typename T>
T FieldValue(const CtlValue& value) {
    if constexpr (std::is_same_v<T, std::string>)
        return value.text;
    else
        return static_cast<T>(value.number);
}

void AppendAnswer(std::string& out, const IpcAnswerTexts& errors) {
    out += FormatErrors(errors);
}

void AppendAnswer(std::string& out, const IpcAnswerFlags& playing) {
    out += FormatFunStatus(playing);
}

// True when the last parameter is the list an answering command appends its answer to.
template <typename... P>
constexpr bool LastIsAnswer() {
    if constexpr (sizeof...(P) == 0) {
        return false;
    } else {
        using Last = std::decay_t<std::tuple_element_t<sizeof...(P) - 1, std::tuple<P...>>>;
        return std::is_same_v<Last, IpcAnswerTexts> || std::is_same_v<Last, IpcAnswerFlags>;
    }
}

// Calls method with the first sizeof...(I) values as its request parameters.
template <typename... P, std::size_t... I, typename... Answer>
bool CallWith(PnIpcCli& client, bool (PnIpcCli::*method)(P...), const CtlValues& values,
              std::index_sequence<I...>, Answer&... answer) {
    using Params = std::tuple<std::decay_t<P>...>;
    return (client.*method)(FieldValue<std::tuple_element_t<I, Params>>(values.at(I))...,
                            answer...);
}

// Sends through the client's method of the command; an answer is appended to out as text.
template <typename... P>
bool Send(PnIpcCli& client, bool (PnIpcCli::*method)(P...), const CtlValues& values,
          std::string& out) {
    constexpr std::size_t kCount = sizeof...(P);
    using Params = std::tuple<std::decay_t<P>...>;
    if constexpr (LastIsAnswer<P...>()) {
        std::tuple_element_t<kCount - 1, Params> answer;
        if (!CallWith(client, method, values, std::make_index_sequence<kCount - 1>{}, answer))
            return false;
        AppendAnswer(out, answer);
        return true;
    } else {
        return CallWith(client, method, values, std::make_index_sequence<kCount>{});
    }
}

} // namespace

std::span<const CtlCommand> CtlCommands() {
    return kCommands;
}

bool SendCtlCommand(PnIpcCli& client, std::uint32_t code, const CtlValues& values,
                    std::string& out) {
    switch (code) {
#define VOXWARP_IPC_CTL_SEND(name, code, answer, log, params, args)                                \
    case code:                                                                                     \
        return Send(client, &PnIpcCli::name, values, out);
        VOXWARP_IPC_COMMANDS(VOXWARP_IPC_CTL_SEND)
#undef VOXWARP_IPC_CTL_SEND
    }
    return false;
}

const char* CtlArgUsage(CtlArg kind) {
    switch (kind) {
    case CtlArg::OnOff:
        return "on|off";
    case CtlArg::Volume:
        return "N";
    case CtlArg::SlotOrOff:
        return "SLOT|off";
    case CtlArg::Slot:
    case CtlArg::FunSlot:
        return "SLOT";
    case CtlArg::Name:
        return "NAME";
    case CtlArg::File:
        return "FILE";
    case CtlArg::None:
        break;
    }
    return "";
}

std::string CtlCommandUsage(const CtlCommand& command) {
    std::string usage = command.words;
    for (CtlArg kind : command.args) {
        if (kind != CtlArg::None)
            usage.append(" ").append(CtlArgUsage(kind));
    }
    return usage;
}

std::string CtlHelpLine(const std::string& usage, const char* description, std::size_t column) {
    std::string line = "  " + usage;
    line.append(usage.size() < column ? column - usage.size() : 1, ' ');
    return line.append(description).append("\n");
}

std::string CtlHelpText() {
    std::string text = "Usage: voxwarpctl COMMAND [ARGUMENTS]\n"
                       "Sends one command to the running Voxwarp voice server, or works with the\n"
                       "sound server's devices.\n\n"
                       "Commands:\n";
    constexpr std::size_t kColumn = 30;
    for (const CtlCommand& command : kCommands)
        text += CtlHelpLine(CtlCommandUsage(command), command.description, kColumn);
    text += "\nSound server commands (no voice server needed):\n" + SoundCommandsHelp(kColumn);
    text += "\nSound card commands (no voice server needed):\n" + CardsCommandsHelp(kColumn);
    text += "\nLibrary commands (no voice server needed):\n" + LibraryCommandsHelp(kColumn);
    text += "\nService commands (no voice server needed):\n" + ServiceCommandsHelp(kColumn);
    text += "\nSlots are numbered from 1 (effects and backgrounds 1..3, fun sounds 1..60); "
            "volumes are 0..100.\n"
            "Exit status: 0 done, 1 the voice server is not running or did not answer, "
            "2 bad arguments, 3 the sound server cannot be reached or refused the change, 4 a "
            "library operation failed, 5 a service operation failed.\n";
    return text;
}

std::string FormatErrors(const std::vector<std::string>& errors) {
    std::string out;
    for (const std::string& error : errors)
        out.append(error).append("\n");
    return out;
}

std::string FormatFunStatus(const std::vector<bool>& playing) {
    std::string out;
    for (std::size_t i = 0; i < playing.size(); ++i) {
        if (playing[i])
            out.append(std::to_string(i + 1)).append("\n");
    }
    return out;
}

} // namespace voxwarpctl
