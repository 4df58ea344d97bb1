// A voice server for the main window's tests: records every command it gets, answers the fun
// sound status and the load errors it is given.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mainwindow/voice_server_link.h"

namespace mainwindowtest {

struct FakeServerState {
    std::vector<std::string> commands;
    std::vector<bool> playing;
    std::vector<std::string> errors;
};

class FakeVoiceServerLink : public VoiceServerLink {
public:
    explicit FakeVoiceServerLink(FakeServerState& state) : s_(state) {}

    bool CliOnStarted() override { return Record("CliOnStarted"); }
    bool CliOnClose() override { return Record("CliOnClose"); }
    bool EffectSetActive(std::int32_t slot) override { return Record("EffectSetActive", slot); }
    bool EffectSelect(std::int32_t slot, const std::string& name) override {
        return Record("EffectSelect", slot, name);
    }
    bool BackSoundSetActive(std::int32_t slot) override {
        return Record("BackSoundSetActive", slot);
    }
    bool BackSoundSetVol(std::int32_t slot, std::uint8_t volume) override {
        return Record("BackSoundSetVol", slot, std::to_string(volume));
    }
    bool BackSoundSelect(std::int32_t slot, const std::string& fileName) override {
        return Record("BackSoundSelect", slot, fileName);
    }
    bool EmoticPlay(std::int32_t slot) override { return Record("EmoticPlay", slot); }
    bool EmoticStop(std::int32_t slot) override { return Record("EmoticStop", slot); }
    bool EmoticSelect(std::int32_t slot, const std::string& fileName) override {
        return Record("EmoticSelect", slot, fileName);
    }
    bool EmoticStopAll() override { return Record("EmoticStopAll"); }
    bool EmoticsStatus(std::vector<bool>& playing) override {
        playing = s_.playing;
        return true;
    }
    bool MonitorSet(bool on) override { return Record("MonitorSet", on ? 1 : 0); }
    bool MonitorSetVol(std::uint8_t volume) override { return Record("MonitorSetVol", volume); }
    bool SrvGetErrors(std::vector<std::string>& errors) override {
        errors = s_.errors;
        return true;
    }

private:
    bool Record(const std::string& name, int slot = -2, const std::string& arg = {}) {
        std::string line = name;
        if (slot != -2)
            line += " " + std::to_string(slot);
        if (!arg.empty())
            line += " " + arg;
        s_.commands.push_back(line);
        return true;
    }

    FakeServerState& s_;
};

} // namespace mainwindowtest
