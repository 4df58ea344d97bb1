#include "ctl_commands.h"

#include "ctl_cards.h"
#include "ctl_library.h"
#include "ctl_service.h"
#include "ctl_sound.h"

namespace voxwarpctl {
namespace {

using A = CtlArg;

std::uint8_t Byte(const CtlValue& value) {
    return static_cast<std::uint8_t>(value.number);
}

const CtlCommand kCommands[] = {
    {"update",
     {},
     "make the server read its configuration files again",
     [](CtlSender& s, const CtlValues&, std::string&) { return s.SrvUpdate(); }},
    {"errors",
     {},
     "print the server's load errors, one per line",
     [](CtlSender& s, const CtlValues&, std::string& out) {
         std::vector<std::string> errors;
         if (!s.SrvGetErrors(errors))
             return false;
         out += FormatErrors(errors);
         return true;
     }},
    {"monitor",
     {A::OnOff},
     "switch the monitor output on or off",
     [](CtlSender& s, const CtlValues& v, std::string&) { return s.MonitorSet(v[0].number != 0); }},
    {"monitor-volume",
     {A::Volume},
     "set the monitor volume (0..100)",
     [](CtlSender& s, const CtlValues& v, std::string&) { return s.MonitorSetVol(Byte(v[0])); }},
    {"client-started",
     {},
     "tell the server that a client has started",
     [](CtlSender& s, const CtlValues&, std::string&) { return s.CliOnStarted(); }},
    {"client-closed",
     {},
     "tell the server that a client has closed",
     [](CtlSender& s, const CtlValues&, std::string&) { return s.CliOnClose(); }},
    {"effect",
     {A::SlotOrOff},
     "use the voice effect of slot 1..3, or none",
     [](CtlSender& s, const CtlValues& v, std::string&) { return s.EffectSetActive(v[0].number); }},
    {"effect-select",
     {A::Slot, A::Name},
     "put the named voice effect into a slot (\"\" empties it)",
     [](CtlSender& s, const CtlValues& v, std::string&) {
         return s.EffectSelect(v[0].number, v[1].text);
     }},
    {"background",
     {A::SlotOrOff},
     "play the background sound of slot 1..3, or none",
     [](CtlSender& s, const CtlValues& v, std::string&) {
         return s.BackSoundSetActive(v[0].number);
     }},
    {"background-select",
     {A::Slot, A::File},
     "load a background sound file into a slot (\"\" empties it)",
     [](CtlSender& s, const CtlValues& v, std::string&) {
         return s.BackSoundSelect(v[0].number, v[1].text);
     }},
    {"background-volume",
     {A::Slot, A::Volume},
     "set the volume of a background slot (0..100)",
     [](CtlSender& s, const CtlValues& v, std::string&) {
         return s.BackSoundSetVol(v[0].number, Byte(v[1]));
     }},
    {"fun play",
     {A::FunSlot},
     "play the fun sound of slot 1..60",
     [](CtlSender& s, const CtlValues& v, std::string&) { return s.EmoticPlay(v[0].number); }},
    {"fun stop",
     {A::FunSlot},
     "stop the fun sound of slot 1..60",
     [](CtlSender& s, const CtlValues& v, std::string&) { return s.EmoticStop(v[0].number); }},
    {"fun select",
     {A::FunSlot, A::File},
     "load a fun sound file into a slot",
     [](CtlSender& s, const CtlValues& v, std::string&) {
         return s.EmoticSelect(v[0].number, v[1].text);
     }},
    {"fun stop-all",
     {},
     "stop all fun sounds",
     [](CtlSender& s, const CtlValues&, std::string&) { return s.EmoticStopAll(); }},
    {"fun status",
     {},
     "print the fun sound slots that play, one per line",
     [](CtlSender& s, const CtlValues&, std::string& out) {
         std::vector<bool> playing;
         if (!s.EmoticsStatus(playing))
             return false;
         out += FormatFunStatus(playing);
         return true;
     }},
};

} // namespace

std::span<const CtlCommand> CtlCommands() {
    return kCommands;
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
