#include "ctl_cards.h"

#include "audio/sound_devices.h"
#include "ctl_commands.h"
#include "ctl_library.h"
#include "ctl_run.h"
#include "ctl_sound.h"
#include "ctl_store.h"

namespace voxwarpctl {

namespace {

struct CardsCommandHelp {
    const char* usage;
    const char* description;
};

constexpr CardsCommandHelp kCardsCommands[] = {
    {"cards", "print the recording and monitor devices the voice server uses"},
    {"cards input NAME", "record the voice from this device (\"\" for none)"},
    {"cards monitor NAME", "let the user hear the result on this device (\"\" for none)"},
};

int StoreCard(const std::string& which, const std::string& name, AppConfig& config,
              SoundSystem& system, std::ostream& out, std::ostream& err) {
    bool input = which == "input";
    if (!name.empty()) {
        if (name.find(kVirtualCardName) != std::string::npos) {
            err << "voxwarpctl: \"" << name << "\" is the virtual microphone itself\n";
            return kExitBadArgs;
        }
        std::vector<SoundDeviceInfo> devices;
        SoundDirection direction = input ? SoundDirection::Recording : SoundDirection::Playback;
        if (!system.ListDevices(direction, devices)) {
            err << "voxwarpctl: the sound server cannot be reached\n";
            return kExitSoundServer;
        }
        bool found = false;
        for (const SoundDeviceInfo& device : devices)
            found = found || device.description == name;
        if (!found) {
            err << "voxwarpctl: no " << (input ? "recording" : "playback") << " device is named \""
                << name << "\" (see voxwarpctl devices)\n";
            return kExitSoundServer;
        }
    }
    config.ReadSoundCards();
    const AppConfig before = config;
    (input ? config.input : config.monitor) = name;
    // Only the chosen key is written: the rest of the file stays as it stands.
    if (!ConfigWritten(config.WriteChanged(before), config, err))
        return kExitLibrary;
    out << which << ": " << name << "\n";
    return kExitDone;
}

} // namespace

bool IsCardsCommand(const std::string& word) {
    return word == "cards";
}

int RunCardsCommand(const std::vector<std::string>& args, AppConfig& config, SoundSystem& system,
                    std::ostream& out, std::ostream& err) {
    if (args.size() == 1) {
        config.ReadSoundCards();
        out << "input: " << config.input << "\nmonitor: " << config.monitor << "\n";
        return kExitDone;
    }
    if (args.size() == 3 && (args[1] == "input" || args[1] == "monitor"))
        return StoreCard(args[1], args[2], config, system, out, err);
    err << "voxwarpctl: usage: cards [input|monitor NAME]\n";
    return kExitBadArgs;
}

std::string CardsCommandsHelp(std::size_t column) {
    std::string text;
    for (const CardsCommandHelp& command : kCardsCommands)
        text += CtlHelpLine(command.usage, command.description, column);
    return text;
}

} // namespace voxwarpctl
