// The voice effect slots: selecting the active effect and placing effects into slots.
#include "server.h"

#include "base/mlog.h"
#include "base/strtable.h"
#include "effect/effect_library.h"
#include "server_slots.h"

namespace {

constexpr unsigned kStrPluginNotLoaded = 162;
constexpr unsigned kStrEffectNotLoaded = 166;

} // namespace

void VoiceServer::EffectSetActive(std::int32_t slot) {
    const char* method = "VoiceServer::EffectSetActive";
    LogMethod(method, "nEffect=%d", slot);
    if (!AcceptSlot(method, slot, kEffectSlots, true))
        return;
    std::lock_guard<std::recursive_mutex> lock(cardLock_);
    if (SelectedEffect() != -1)
        UnloadEffect(SelectedEffect());
    SelectEffect(slot);
    if (slot == -1)
        return;
    config_.ReadVoiceEffects();
    LpEffect(slot);
}

bool VoiceServer::LpEffect(int slot) {
    const char* method = "VoiceServer::LpEffect";
    LogScope scope(method, "slot=%u", static_cast<unsigned>(slot));
    if (!AcceptSlot(method, slot, kEffectSlots)) {
        scope.SetResult(false);
        return false;
    }
    std::lock_guard<std::recursive_mutex> lock(cardLock_);
    const std::string name = config_.effects[static_cast<std::size_t>(slot)];
    if (name.empty()) {
        scope.SetResult(true);
        return true;
    }
    int index = FindVoiceEffect(config_.voiceEffects, name);
    if (index < 0) {
        ReportError(LoadStr(kStrEffectNotLoaded).c_str(), name.c_str());
        UnloadEffect(slot);
        scope.SetResult(false);
        return false;
    }
    const VoiceEffect& effect = config_.voiceEffects[static_cast<std::size_t>(index)];
    const std::string path = PluginPath(config_, effect.plugin);
    bool loaded = true;
    if (path != EffectPath(slot)) {
        LogMethod(method, "Load effect \"%s\"", path.c_str());
        loaded = LoadEffect(slot, path) == 0;
        if (!loaded)
            ReportError(LoadStr(kStrPluginNotLoaded).c_str(), effect.plugin.c_str());
    }
    if (loaded) {
        LogMethod(method, "Load effect params \"%s\"", path.c_str());
        SetEffectParams(slot, effect.params);
    }
    scope.SetResult(true);
    return true;
}

void VoiceServer::EffectSelect(std::int32_t slot, const std::string& name) {
    const char* method = "VoiceServer::EffectSelect";
    LogScope scope(method, "slot=%d, name=%s", slot, name.c_str());
    if (!AcceptSlot(method, slot, kEffectSlots))
        return;
    std::lock_guard<std::recursive_mutex> lock(cardLock_);
    config_.ReadVoiceEffects();
    UnloadEffect(slot);
    // Remembered, so that selecting this slot later loads what was placed into it.
    config_.effects[static_cast<std::size_t>(slot)] = name;
    if (!name.empty()) {
        int index = FindVoiceEffect(config_.voiceEffects, name);
        if (index < 0) {
            ReportError(LoadStr(kStrEffectNotLoaded).c_str(), name.c_str());
        } else if (slot == SelectedEffect()) {
            const VoiceEffect& effect = config_.voiceEffects[static_cast<std::size_t>(index)];
            if (LoadEffect(slot, PluginPath(config_, effect.plugin)) != 0)
                ReportError(LoadStr(kStrPluginNotLoaded).c_str(), effect.plugin.c_str());
            else
                SetEffectParams(slot, effect.params);
        }
    }
}
