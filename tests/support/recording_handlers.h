// A stand-in for the voice server's command handlers: records every call as one line of text
// ("EffectSelect(1,Robot)") and answers SrvGetErrors and EmoticsStatus with set values.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "ipc/pnipc_cmds.h"
#include "ipc/voice_handlers.h"

class RecordingHandlers : public VoiceServerHandlers {
public:
    // Answers of SrvGetErrors (returned, then emptied unless keepErrors) and EmoticsStatus.
    std::vector<std::string> errors;
    bool keepErrors = false;
    std::vector<bool> playing = std::vector<bool>(kFunSlots, false);

    std::vector<std::string> Calls() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return calls_;
    }
    void ClearCalls() {
        std::lock_guard<std::mutex> guard(mutex_);
        calls_.clear();
    }

    void SrvUpdate() override { Record("SrvUpdate()"); }
    std::vector<std::string> SrvGetErrors() override {
        Record("SrvGetErrors()");
        std::vector<std::string> list = errors;
        if (!keepErrors)
            errors.clear();
        return list;
    }
    void MonitorSet(std::uint8_t on) override { Record("MonitorSet(" + Num(on) + ")"); }
    void MonitorSetVol(std::uint8_t volume) override {
        Record("MonitorSetVol(" + Num(volume) + ")");
    }
    void CliOnStarted() override { Record("CliOnStarted()"); }
    void CliOnClose() override { Record("CliOnClose()"); }
    void EffectSetActive(std::int32_t slot) override {
        Record("EffectSetActive(" + Num(slot) + ")");
    }
    void EffectSelect(std::int32_t slot, const std::string& name) override {
        Record("EffectSelect(" + Num(slot) + "," + name + ")");
    }
    void BackSoundSetActive(std::int32_t slot) override {
        Record("BackSoundSetActive(" + Num(slot) + ")");
    }
    void BackSoundSelect(std::int32_t slot, const std::string& fileName) override {
        Record("BackSoundSelect(" + Num(slot) + "," + fileName + ")");
    }
    void BackSoundSetVol(std::int32_t slot, std::uint8_t volume) override {
        Record("BackSoundSetVol(" + Num(slot) + "," + Num(volume) + ")");
    }
    void EmoticPlay(std::int32_t slot) override { Record("EmoticPlay(" + Num(slot) + ")"); }
    void EmoticStop(std::int32_t slot) override { Record("EmoticStop(" + Num(slot) + ")"); }
    void EmoticSelect(std::int32_t slot, const std::string& fileName) override {
        Record("EmoticSelect(" + Num(slot) + "," + fileName + ")");
    }
    void EmoticStopAll() override { Record("EmoticStopAll()"); }
    std::vector<bool> EmoticsStatus() override {
        Record("EmoticsStatus()");
        return playing;
    }

protected:
    virtual void Record(std::string call) {
        std::lock_guard<std::mutex> guard(mutex_);
        calls_.push_back(std::move(call));
    }

private:
    static std::string Num(long long v) { return std::to_string(v); }

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};
