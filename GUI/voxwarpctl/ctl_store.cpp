#include "ctl_store.h"

#include <string>

#include "ipc/pnipc_cmds.h"

namespace voxwarpctl {
namespace {

// A file's name without folder and extension ("animals/Frog.wav" -> "Frog").
std::string SoundName(const std::string& file) {
    std::string name = file.substr(file.find_last_of('/') + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// Lets change alter the configuration as read and writes back only the keys it changed.
template <class Change>
bool StoreChanged(AppConfig& config, Change change, std::ostream& err) {
    const AppConfig before = config;
    change(config);
    return ConfigWritten(config.WriteChanged(before), config, err);
}

bool StoreFunSound(int slot, const std::string& file, AppConfig& config, std::ostream& err) {
    config.ReadEmotics();
    const auto count = static_cast<int>(config.emotics.size());
    // The list holds no gaps and no empty entries: a slot past its end, or an emptied slot,
    // cannot be kept without moving the sounds of other slots.
    if (file.empty() || slot > count) {
        err << "voxwarpctl: fun slot " << slot + 1 << " is not kept in " << config.ConfigPath()
            << " (it lists " << count << " fun sounds)\n";
        return true;
    }
    return StoreChanged(
        config,
        [&](AppConfig& c) {
            if (slot == count)
                c.emotics.emplace_back();
            c.emotics[static_cast<std::size_t>(slot)] = FunSound{file, SoundName(file)};
        },
        err);
}

} // namespace

bool ConfigWritten(bool ok, const AppConfig& config, std::ostream& err) {
    if (!ok)
        err << "voxwarpctl: could not write " << config.ConfigPath() << "\n";
    return ok;
}

bool StoreCtlChange(std::uint32_t code, const CtlValues& values, AppConfig& config,
                    std::ostream& err) {
    const auto number = [&values](std::size_t i) { return values.at(i).number; };
    const auto text = [&values](std::size_t i) -> const std::string& { return values.at(i).text; };
    // Each command reads the section it changes.
    switch (code) {
    case kCmdEffectSetActive:
        config.ReadSys();
        return StoreChanged(
            config, [&](AppConfig& c) { c.activeEffect = number(0); }, err);
    case kCmdBackSoundSetActive:
        config.ReadSys();
        return StoreChanged(
            config, [&](AppConfig& c) { c.activeBackSound = number(0); }, err);
    case kCmdEffectSelect:
        config.ReadEffects();
        return StoreChanged(
            config,
            [&](AppConfig& c) { c.effects.at(static_cast<std::size_t>(number(0))) = text(1); },
            err);
    case kCmdBackSoundSelect: {
        const int slot = number(0);
        config.ReadBackSound(slot);
        return StoreChanged(
            config,
            [&](AppConfig& c) {
                BackSoundSlot& sound = c.backSounds.at(static_cast<std::size_t>(slot));
                sound.file = text(1);
                // The description is the file name without its extension.
                sound.descr = sound.file.size() > 4 ? sound.file.substr(0, sound.file.size() - 4)
                                                    : sound.file;
            },
            err);
    }
    case kCmdBackSoundSetVol: {
        const int slot = number(0);
        config.ReadBackSound(slot);
        return StoreChanged(
            config,
            [&](AppConfig& c) {
                c.backSounds.at(static_cast<std::size_t>(slot)).volume =
                    static_cast<std::uint16_t>(number(1));
            },
            err);
    }
    case kCmdMonitorSet:
        config.ReadMonitors();
        return StoreChanged(
            config, [&](AppConfig& c) { c.monitorOn = number(0) != 0; }, err);
    case kCmdMonitorSetVol:
        config.ReadMonitors();
        return StoreChanged(
            config, [&](AppConfig& c) { c.monitorVol = static_cast<std::uint8_t>(number(0)); },
            err);
    case kCmdEmoticSelect:
        return StoreFunSound(number(0), text(1), config, err);
    default:
        return true;
    }
}

} // namespace voxwarpctl
