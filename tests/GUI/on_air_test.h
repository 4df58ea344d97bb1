// The fixture of the tests that hear the control panel's work through the running voice server:
// a voice server session with Brevo in its effects folder, "Built-in Microphone" as its input
// and "Speakers" as its monitor (on), and the fake microphone playing a 220 Hz tone.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "config/config.h"
#include "effect/effect.h"
#include "pitch_estimate.h"
#include "program_dir.h"
#include "voice_server_session.h"

class OnAirTest : public ::testing::Test {
protected:
    explicit OnAirTest(const std::string& tag) : session_(tag) {}

    void SetUp() override {
        std::filesystem::copy_file(testsupport::ProgramDir() + "effects/Brevo.so",
                                   session_.Program().File("effects/Brevo.so"));
        AppConfig config(session_.Program().Path());
        config.input = "Built-in Microphone";
        config.monitor = "Speakers";
        config.monitorOn = true;
        ASSERT_TRUE(config.Save());
        ASSERT_TRUE(session_.FeedTone(220, 120, 0.5));
    }

    void TearDown() override {
        if (HasFailure())
            std::cerr << session_.Logs();
    }

    // Whether the source (default "Voxwarp Microphone") carries a voice at the frequency within
    // the time (streams take a moment to start).
    bool HeardAt(double frequency, std::chrono::seconds limit,
                 const std::string& source = "voxwarp_mic_source") {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            const double pitch = testeffect::MedianPitch(session_.Record(source, 1.5));
            if (std::abs(pitch - frequency) < frequency / 50)
                return true;
        }
        return false;
    }

    // Brevo's parameters with the pitch one octave up.
    std::vector<EffectParam> OctaveUp() {
        PnAudioEffect host;
        if (host.Load(session_.Program().File("effects/Brevo.so"), false) != kVstSuccess)
            return {};
        std::vector<EffectParam> params = host.GetParams();
        if (params.size() == 6) {
            params[0].value = 1.0f;          // eight overlaps
            params[5].value = 1.75f / 3.75f; // pitch factor 2
        }
        return params;
    }

    testsupport::VoiceServerSession session_;
};
