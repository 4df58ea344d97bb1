#include "editeffect/edit_effect_session.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <memory>

#include "audio/sound_devices.h"
#include "base/mlog.h"
#include "base/strtable.h"
#include "config/config.h"
#include "editeffect/edit_effect.h"
#include "editeffect/server_link.h"
#include "effect/effect_library.h"
#include "platform/program_folder.h"
#include "platform/sound/audio_backend.h"
#include "platform/sound/sound_server.h"
#include "teststream/test_stream.h"

namespace {

// The configured device of a direction; without one (never chosen, or gone), the system's
// default device, and never the virtual microphone, which would hear itself.
int TestDevice(const std::string& configured, std::uint32_t lookup, std::uint32_t direction) {
    int device = -2;
    if (!configured.empty() && PaGetDevNByName(configured, lookup, device) == kMmeSuccess)
        return device;
    const CSoundDevices devices(direction);
    int index = devices.GetDefaultIndex();
    if (index < 0 || devices.GetName(index).find(kVirtualCardName) != std::string::npos) {
        index = -1;
        for (int i = 0; i < devices.GetCount() && index < 0; ++i)
            if (devices.GetName(i).find(kVirtualCardName) == std::string::npos)
                index = i;
    }
    if (index < 0) {
        LogWarning("EditEffect: no %s device for listening",
                   lookup == kLookupRecording ? "recording" : "playback");
        return -2;
    }
    LogPlain("EditEffect: %s device \"%s\" not configured; listening through \"%s\"",
             lookup == kLookupRecording ? "recording" : "playback", configured.c_str(),
             devices.GetName(index).c_str());
    return devices.GetDeviceNumber(index);
}

// Opens the test stream on the configured devices; a device that is not there, or a stream
// that does not open, only means that nothing is heard.
void OpenTestStream(TestStream& stream, const AppConfig& config) {
    const int input = TestDevice(config.input, kLookupRecording, kSoundDevicesRecording);
    const int output = TestDevice(config.monitor, kLookupPlayback, kSoundDevicesPlayback);
    if (input < 0 || output < 0) {
        LogWarning("EditEffect: no live listening");
        return;
    }
    const MmeErrorNum opened =
        stream.OpenStream(input, output, config.mixInSrc, config.inBuffSizeMs, config.inBuffsN);
    if (opened != kMmeSuccess)
        LogWarning("EditEffect: no live listening: %s", MmeErrorText(opened).c_str());
}

// Every slot that named the effect by its old name names it by its new one.
bool FollowRename(AppConfig& config, const std::string& from, const std::string& to) {
    bool changed = false;
    for (std::string& slot : config.effects) {
        if (!from.empty() && slot == from && from != to) {
            slot = to;
            changed = true;
        }
    }
    return changed;
}

} // namespace

int EditLibraryEffect(AppConfig& config, const std::string& name,
                      const EditEffectOptions& options) {
    LogScope scope("EditLibraryEffect", "%s", name.c_str());
    const int found = FindVoiceEffect(config.voiceEffects, name);
    const VoiceEffect original = found >= 0 ? config.voiceEffects[static_cast<std::size_t>(found)]
                                            : VoiceEffect{std::string(), name, {}};
    // The dialog works on a copy; deleting a plug-in changes both, and writes the library at once.
    AppConfig working = config;
    CEditEffect dialog(original, working, config, options.testStream);
    if (options.serverConnected)
        dialog.SetServerProbe(options.serverConnected);
    const int result = options.run ? options.run(dialog) : dialog.exec();
    if (result != QDialog::Accepted) {
        scope.SetResult("cancelled");
        return kEditEffectCancelled;
    }

    const VoiceEffect& edited = dialog.Effect();
    // The entry may have gone with its plug-in while the dialog was open.
    const int index = FindVoiceEffect(config.voiceEffects, original.name);
    if (found >= 0 && index >= 0)
        config.voiceEffects[static_cast<std::size_t>(index)] = edited;
    else
        config.voiceEffects.push_back(edited);
    bool written = config.WriteVoiceEffects();
    if (FollowRename(config, original.name, edited.name))
        written = config.WriteEffects() && written;
    if (!written) {
        std::fprintf(stderr, "Voxwarp: could not write %s\n", config.VoiceEffectsPath().c_str());
        scope.SetResult("not written");
        return kEditEffectFailed;
    }
    scope.SetResult("saved");
    return kEditEffectSaved;
}

int RunEditEffectCommand(const EditEffectCommand& command) {
    const std::string folder =
        command.programFolder.empty() ? platform::ProgramFolder() : command.programFolder;
    if (!folder.empty() && chdir(folder.c_str()) != 0) {
        std::fprintf(stderr, "Voxwarp: cannot enter the program folder %s\n", folder.c_str());
        return kEditEffectFailed;
    }
    LogInit("parlanocl.log", true, false, false, false, false);
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    LogPlain("Application started on %d.%d.%d %d:%d:%d", local->tm_mday, local->tm_mon + 1,
             local->tm_year + 1900, local->tm_hour, local->tm_min, local->tm_sec);
    AppConfig config(folder);
    // Saving over a library that could not be read would lose it.
    if (!config.Load()) {
        std::fprintf(stderr, "Voxwarp: cannot read the configuration in %s\n", folder.c_str());
        LogError("EditEffect: cannot read the configuration in %s", folder.c_str());
        return kEditEffectFailed;
    }
    StartStrings(config.langFile, config.langsPath);

    // The user hears only the effect being edited: a running server's monitor is off meanwhile.
    const bool serverMonitorOff = SetVoiceServerMonitor(false);
    int result = kEditEffectCancelled;
    {
        std::unique_ptr<AudioBackend> backend = platform::CreateSoundServerBackend();
        TestStream stream(*backend);
        OpenTestStream(stream, config);
        EditEffectOptions options;
        options.testStream = &stream;
        options.run = command.run;
        result = EditLibraryEffect(config, command.name, options);
        stream.Stop();
        stream.CloseStream();
    }
    if (serverMonitorOff)
        SetVoiceServerMonitor(config.monitorOn);
    EndStrings();
    return result;
}
