#include "server.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "audio/mixer.h"
#include "audio/sound_devices.h"
#include "base/mlog.h"
#include "base/strtable.h"
#include "platform/program_folder.h"
#include "text/utf8cut.h"

namespace {

constexpr unsigned kStrChangeInOptions = 135;

std::string WithTrailingSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

VoiceServer::VoiceServer(AudioBackend& backend) : VoiceServer(backend, platform::ProgramFolder()) {}

VoiceServer::VoiceServer(AudioBackend& backend, const std::string& programFolder)
    : PnIOStream(backend), startFolder_(WithTrailingSlash(programFolder)), config_(startFolder_) {}

VoiceServer::~VoiceServer() {
    ServerStop();
}

bool VoiceServer::ServerRun() {
    const char* method = "VoiceServer::ServerRun";
    LogScope scope(method);
    if (started_) {
        scope.SetResult(1);
        return true;
    }
    int device = kNoStreamDevice;
    PaGetDevNByName(kVirtualCardName, kLookupPlayback, device);
    if (device == kNoStreamDevice) {
        LogError("Virtual sound card driver \"%s\" did not found.", kVirtualCardName);
        scope.SetResult(0);
        return false;
    }
    if (!Init()) {
        scope.SetResult(0);
        return false;
    }
    LoadParams();
    StartWatcher();
    scope.SetResult(1);
    started_ = true;
    return true;
}

void VoiceServer::ServerStop() {
    const char* method = "VoiceServer::ServerStop";
    LogScope scope(method);
    if (!started_)
        return;
    StopWatcher();
    {
        std::lock_guard<std::recursive_mutex> lock(cardLock_);
        CloseMixers();
        CloseAll();
    }
    started_ = false;
}

void VoiceServer::ReportError(const char* format, ...) {
    char buffer[kMaxErrorBytes + 1];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    std::string text(buffer);
    text.resize(Utf8PrefixLength(text, kMaxErrorBytes));
    LogError("%s", text.c_str());
    std::lock_guard<std::mutex> lock(errorsMutex_);
    for (const std::string& entry : errors_) {
        if (entry == text)
            return;
    }
    errors_.push_back(std::move(text));
}

std::vector<std::string> VoiceServer::SrvGetErrors() {
    LogNote("%s", "VoiceServer::SrvGetErrors");
    std::vector<std::string> errors;
    std::lock_guard<std::mutex> lock(errorsMutex_);
    errors.swap(errors_);
    if (!errors.empty())
        errors.push_back(LoadStr(kStrChangeInOptions));
    return errors;
}

void VoiceServer::SrvUpdate() {
    LogNote("%s", "VoiceServer::SrvUpdate");
    LoadParams();
}

void VoiceServer::LoadParams() {
    const char* method = "VoiceServer::LoadParams";
    LogScope scope(method);
    std::lock_guard<std::recursive_mutex> lock(cardLock_);
    config_.Load();

    {
        LogScope effects("VoiceServer::LpEffects");
        EffectSetActive(config_.activeEffect);
    }
    LpBackSounds();
    LpEmoticSounds();
    LpSoundCards();

    SetMonitorOn(config_.monitorOn ? 1 : 0);
    SetMonitorVol(std::min<std::uint8_t>(config_.monitorVol, 100));
    SetListen(config_.listenOnly ? 1 : 0);
}

void VoiceServer::MonitorSet(std::uint8_t on) {
    LogMethod("VoiceServer::MonitorSet");
    SetMonitorOn(on);
}

void VoiceServer::MonitorSetVol(std::uint8_t volume) {
    LogMethod("VoiceServer::MonitorSetVol");
    // The level is a percentage; the voice is never amplified.
    SetMonitorVol(std::min<std::uint8_t>(volume, 100));
}

void VoiceServer::CliOnStarted() {
    LogMethod("VoiceServer::CliOnStarted");
    CreateSignals();
    SetClientRunning(true);
}

void VoiceServer::CliOnClose() {
    SetClientRunning(false);
}
