#include "ctl_sound.h"

#include "base/mlog.h"
#include "ctl_commands.h"
#include "ctl_run.h"
#include "platform/sound/sound_server.h"

namespace voxwarpctl {
namespace {

struct SoundCommandHelp {
    const char* usage;
    const char* description;
};

constexpr SoundCommandHelp kSoundCommands[] = {
    {"devices", "list the sound server's recording and playback devices"},
    {"vcard install", "load the virtual microphone and have the sound server load it at start"},
    {"vcard remove", "unload the virtual microphone and take it out of the sound server setup"},
    {"vcard status", "tell whether the virtual microphone is loaded and persistent"},
};

const char* YesNo(bool value) {
    return value ? "yes" : "no";
}
const char* Loaded(bool value) {
    return value ? "loaded" : "not loaded";
}

void AppendDevices(std::string& text, const char* kind, const std::vector<SoundDeviceInfo>& list,
                   const std::string& defaultId) {
    for (const SoundDeviceInfo& device : list) {
        text.append(kind).append(": ").append(device.description);
        if (!defaultId.empty() && device.id == defaultId) {
            text.append(" (default)");
        }
        text.append("\n");
    }
}

int ListDevices(SoundSystem& system, std::ostream& out, std::ostream& err) {
    std::vector<SoundDeviceInfo> recording;
    std::vector<SoundDeviceInfo> playback;
    if (!system.ListDevices(SoundDirection::Recording, recording) ||
        !system.ListDevices(SoundDirection::Playback, playback)) {
        err << "voxwarpctl: devices: the sound server cannot be reached\n";
        return kExitSoundServer;
    }
    // A server without a default of one direction still lists its devices.
    std::string defaultRecording;
    std::string defaultPlayback;
    if (!system.GetDefault(SoundDirection::Recording, defaultRecording)) {
        defaultRecording.clear();
    }
    if (!system.GetDefault(SoundDirection::Playback, defaultPlayback)) {
        defaultPlayback.clear();
    }
    out << FormatDeviceList(recording, defaultRecording, playback, defaultPlayback);
    out.flush();
    return kExitDone;
}

int VirtualCard(const std::string& verb, std::ostream& out, std::ostream& err) {
    std::string error;
    if (verb == "install") {
        if (!platform::InstallVirtualCard(true, error)) {
            err << "voxwarpctl: vcard install: " << error << "\n";
            return kExitSoundServer;
        }
        out << "Voxwarp Microphone installed\n";
    } else if (verb == "remove") {
        if (!platform::RemoveVirtualCard(error)) {
            err << "voxwarpctl: vcard remove: " << error << "\n";
            return kExitSoundServer;
        }
        out << "Voxwarp Microphone removed\n";
    } else {
        platform::VirtualCardStatus status;
        if (!platform::QueryVirtualCard(status, error)) {
            err << "voxwarpctl: vcard status: " << error << "\n";
            return kExitSoundServer;
        }
        out << "playback side: " << Loaded(status.playbackSide) << "\n"
            << "capture side: " << Loaded(status.captureSide) << "\n"
            << "persistent: " << YesNo(status.persistent) << "\n";
    }
    out.flush();
    return kExitDone;
}

} // namespace

bool IsSoundCommand(const std::string& word) {
    return word == "devices" || word == "vcard";
}

int RunSoundCommand(const std::vector<std::string>& args, SoundSystem& system, std::ostream& out,
                    std::ostream& err) {
    constexpr const char* kSeeHelp = " (voxwarpctl --help lists the commands)";
    if (!args.empty() && args[0] == "devices") {
        if (args.size() > 1) {
            err << "voxwarpctl: devices: unexpected argument \"" << args[1] << "\"\n";
            return kExitBadArgs;
        }
        LogNote("voxwarpctl: devices");
        return ListDevices(system, out, err);
    }
    if (args.size() == 1) {
        err << "voxwarpctl: \"vcard\" needs a subcommand" << kSeeHelp << "\n";
        return kExitBadArgs;
    }
    std::string verb = args.size() > 1 ? args[1] : std::string();
    if (args.empty() || args[0] != "vcard" ||
        (verb != "install" && verb != "remove" && verb != "status")) {
        std::string typed = args.empty() ? std::string() : args[0] + " " + verb;
        err << "voxwarpctl: unknown command \"" << typed << "\"" << kSeeHelp << "\n";
        return kExitBadArgs;
    }
    if (args.size() > 2) {
        err << "voxwarpctl: vcard " << verb << ": unexpected argument \"" << args[2] << "\"\n";
        return kExitBadArgs;
    }
    LogNote("voxwarpctl: vcard %s", verb.c_str());
    return VirtualCard(verb, out, err);
}

std::string SoundCommandsHelp(std::size_t column) {
    std::string text;
    for (const SoundCommandHelp& command : kSoundCommands)
        text += CtlHelpLine(command.usage, command.description, column);
    return text;
}

std::string FormatDeviceList(const std::vector<SoundDeviceInfo>& recording,
                             const std::string& defaultRecording,
                             const std::vector<SoundDeviceInfo>& playback,
                             const std::string& defaultPlayback) {
    std::string text;
    AppendDevices(text, "recording", recording, defaultRecording);
    AppendDevices(text, "playback", playback, defaultPlayback);
    return text;
}

} // namespace voxwarpctl
