// The background and fun sound slots: loading them from the configuration and the commands
// that select, play and stop them.
#include "server.h"

#include <algorithm>

#include "base/mlog.h"
#include "base/strtable.h"
#include "server_slots.h"
#include "sound/wave.h"

namespace {

constexpr unsigned kStrFunSoundsFailed = 164;
constexpr unsigned kStrBackSoundsFailed = 165;

// "1. first\n2. second\n"
std::string NumberedList(const std::vector<std::string>& names) {
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i)
        list += std::to_string(i + 1) + ". " + names[i] + "\n";
    return list;
}

} // namespace

void VoiceServer::LpBackSounds() {
    const char* method = "VoiceServer::LpBackSounds";
    LogScope scope(method);
    std::lock_guard<std::recursive_mutex> lock(cardLock_);
    std::vector<std::string> failed;
    for (int slot = 0; slot < kBackgroundSlots; ++slot) {
        const BackSoundSlot& sound = config_.backSounds[static_cast<std::size_t>(slot)];
        if (sound.file.empty()) {
            UnloadBackground(slot);
            continue;
        }
        if (sound.file == BackgroundName(slot))
            continue; // unchanged: the slot keeps its sound and its current volume
        if (LoadBackground(slot, config_.BackSoundFolder() + sound.file) != 0) {
            const std::string& name = sound.descr.empty() ? sound.file : sound.descr;
            if (std::find(failed.begin(), failed.end(), name) == failed.end())
                failed.push_back(name);
        } else {
            SetBackgroundVolume(
                slot, static_cast<std::uint8_t>(std::min<std::uint16_t>(sound.volume, 100)));
        }
    }
    SelectBackground(config_.activeBackSound);
    if (!failed.empty())
        ReportError("%s\n%s", LoadStr(kStrBackSoundsFailed).c_str(), NumberedList(failed).c_str());
}

void VoiceServer::LpEmoticSounds() {
    const char* method = "VoiceServer::LpEmoticSounds";
    LogScope scope(method);
    std::lock_guard<std::recursive_mutex> lock(cardLock_);
    for (int slot = 0; slot < kFunSoundSlots; ++slot)
        UnloadFun(slot);
    std::vector<std::string> failed;
    for (std::size_t i = 0; i < config_.emotics.size(); ++i) {
        if (i >= static_cast<std::size_t>(kFunSoundSlots)) {
            LogWarning("%u fun sounds configured, only the first %d are loaded",
                       static_cast<unsigned>(config_.emotics.size()), kFunSoundSlots);
            break;
        }
        const FunSound& sound = config_.emotics[i];
        const std::string path = config_.FunSoundFolder() + sound.file;
        if (LoadFun(static_cast<int>(i), path) != 0)
            failed.push_back(sound.name);
    }
    if (!failed.empty())
        ReportError("%s\n%s", LoadStr(kStrFunSoundsFailed).c_str(), NumberedList(failed).c_str());
}

void VoiceServer::BackSoundSetActive(std::int32_t slot) {
    const char* method = "VoiceServer::SoundSetActive";
    LogMethod(method, "nStream=%d", slot);
    if (AcceptSlot(method, slot, kBackgroundSlots, true))
        SelectBackground(slot);
}

void VoiceServer::BackSoundSelect(std::int32_t slot, const std::string& fileName) {
    const char* method = "VoiceServer::SoundSelect";
    LogMethod(method, "slot=%d, file=%s", slot, fileName.c_str());
    if (!AcceptSlot(method, slot, kBackgroundSlots))
        return;
    if (fileName.empty()) {
        UnloadBackground(slot);
        return;
    }
    if (!AcceptFileName(method, fileName)) {
        ReportError("%s", WaveErrorText(kWaveOpenError).c_str());
        return;
    }
    std::uint32_t code = LoadBackground(slot, config_.BackSoundFolder() + fileName);
    if (code != 0)
        ReportError("%s", WaveErrorText(code).c_str());
}

void VoiceServer::BackSoundSetVol(std::int32_t slot, std::uint8_t volume) {
    const char* method = "VoiceServer::SoundSetVol";
    LogMethod(method, "nStream=%d, vol=%d", slot, volume);
    if (AcceptSlot(method, slot, kBackgroundSlots))
        SetBackgroundVolume(slot, volume);
}

void VoiceServer::EmoticPlay(std::int32_t slot) {
    const char* method = "VoiceServer::EmoticPlay";
    LogMethod(method, "slot=%d", slot);
    if (AcceptSlot(method, slot, kFunSoundSlots))
        PlayFun(slot);
}

void VoiceServer::EmoticStop(std::int32_t slot) {
    const char* method = "VoiceServer::EmoticStop";
    LogMethod(method, "slot=%d", slot);
    if (AcceptSlot(method, slot, kFunSoundSlots))
        StopFun(slot);
}

void VoiceServer::EmoticStopAll() {
    LogNote("%s()", "VoiceServer::EmoticStopAll");
    StopAllFun();
}

void VoiceServer::EmoticSelect(std::int32_t slot, const std::string& fileName) {
    const char* method = "VoiceServer::EmoticSelect";
    LogMethod(method, "slot=%d, file=%s", slot, fileName.c_str());
    if (!AcceptSlot(method, slot, kFunSoundSlots))
        return;
    if (fileName.empty()) {
        UnloadFun(slot); // an empty name empties the slot instead of failing to open a folder
        return;
    }
    if (!AcceptFileName(method, fileName)) {
        ReportError("%s", WaveErrorText(kWaveOpenError).c_str());
        return;
    }
    const std::string path = startFolder_ + "emoticsounds/" + fileName;
    const std::uint32_t code = LoadFun(slot, path);
    if (code != 0)
        ReportError("%s", WaveErrorText(code).c_str());
}

std::vector<bool> VoiceServer::EmoticsStatus() {
    LogMethod("VoiceServer::EmoticsStatus");
    return FunStatus();
}
