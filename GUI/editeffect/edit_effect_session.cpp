#include "editeffect/edit_effect_session.h"

#include <cstdio>
#include <memory>

#include "base/mlog.h"
#include "base/strtable.h"
#include "common/command_start.h"
#include "config/config.h"
#include "editeffect/edit_effect.h"
#include "editeffect/server_link.h"
#include "effect/effect_library.h"
#include "platform/sound/audio_backend.h"
#include "platform/sound/sound_server.h"
#include "teststream/test_stream.h"
#include "teststream/test_stream_devices.h"

namespace {

// Opens the test stream on the configured devices; without them nothing is heard.
void OpenTestStream(TestStream& stream, const AppConfig& config) {
    OpenTestStreamOn(
        stream,
        {config.input, config.monitor, config.mixInSrc, config.inBuffSizeMs, config.inBuffsN},
        "EditEffect");
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
    AppConfig config(command.programFolder);
    if (!StartCommandWithConfig(command.programFolder, config, "EditEffect"))
        return kEditEffectFailed;

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
