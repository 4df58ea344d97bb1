// The options sheet through "--options" on the private sound server with the voice server
// running: the General page shows the configured devices, a voice effect put into slot 1 and
// applied is heard through "Voxwarp Microphone" once chosen, and closing gives the server its
// monitor back.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "config/config.h"
#include "effect/effect.h"
#include "options/options_command.h"
#include "options/options_server.h"
#include "options/options_sheet.h"
#include "options/pg_sound_card.h"
#include "pitch_estimate.h"
#include "program_dir.h"
#include "pulse_test_util.h"
#include "sound_server.h"
#include "temp_dir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using pulsetest::ShellQuoted;

constexpr int kRate = 44100;

struct Outcome {
    int code = -1;
    std::string out;
};

Outcome Shell(const std::string& commandLine) {
    Outcome result;
    result.code = testsupport::RunWithSoundServer(commandLine + " 2>&1", &result.out);
    return result;
}

Outcome Ctl(const std::string& arguments) {
    return Shell(ShellQuoted(testsupport::ProgramDir() + "voxwarpctl") + " " + arguments);
}

class OptionsOnAir : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::UsePrivateSoundServer();
        setenv("HOME", home_.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", home_.File("config").c_str(), 1);
        fs::create_directories(home_.File("runtime"));
        fs::permissions(home_.File("runtime"), fs::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", home_.File("runtime").c_str(), 1);
        setenv("VOXWARP_HOME", program_.Path().c_str(), 1);
        setenv("VOXWARP_KOBJECT_NAMESPACE", ("options" + std::to_string(getpid())).c_str(), 1);

        fs::create_directories(program_.File("effects"));
        fs::copy_file(testsupport::ProgramDir() + "effects/Brevo.so",
                      program_.File("effects/Brevo.so"));
        AppConfig config(program_.Path());
        config.input = "Built-in Microphone";
        config.monitor = "Speakers";
        config.monitorOn = true;
        ASSERT_TRUE(config.Save());

        const std::string tone = home_.File("voice.wav");
        ASSERT_EQ(
            Shell("sox -n -r 44100 -b 16 -c 1 " + ShellQuoted(tone) + " synth 120 sine 220 vol 0.5")
                .code,
            0);
        std::string device = "--device=fake_mic_feed";
        const char* argv[] = {"paplay", device.c_str(), tone.c_str(), nullptr};
        ASSERT_EQ(
            posix_spawnp(&feed_, "paplay", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    }

    void TearDown() override {
        if (HasFailure())
            std::cerr << "The voice server's log:\n"
                      << testsupport::ReadFile(program_.File("parlanosrv.log"))
                      << "The control panel's log:\n"
                      << testsupport::ReadFile(program_.File("parlanocl.log"));
        Ctl("service stop");
        Ctl("service uninstall");
        Ctl("vcard remove");
        if (feed_ > 0) {
            kill(feed_, SIGTERM);
            waitpid(feed_, nullptr, 0);
        }
    }

    // The pitch heard on a source over about a second, 0 when nothing voiced is.
    double HeardPitch(const std::string& source) {
        const std::string raw = home_.File("recorded.raw");
        std::string bytes;
        for (int attempt = 0; attempt < 3 && bytes.size() < kRate; ++attempt) {
            Shell("timeout 1.5 parec --device=" + source +
                  " --rate=44100 --channels=1 --format=s16le --raw --latency-msec=20 > " +
                  ShellQuoted(raw));
            bytes = testsupport::ReadFile(raw);
        }
        std::vector<std::int16_t> samples(bytes.size() / 2);
        if (!samples.empty())
            std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        std::vector<double> pitches = testeffect::FramePitches(samples);
        std::erase(pitches, 0.0);
        if (pitches.empty())
            return 0;
        std::nth_element(pitches.begin(),
                         pitches.begin() + static_cast<std::ptrdiff_t>(pitches.size() / 2),
                         pitches.end());
        return pitches[pitches.size() / 2];
    }

    // Whether the source carries the frequency within the time (streams take a moment to start).
    bool HeardAt(double frequency, std::chrono::seconds limit,
                 const std::string& source = "voxwarp_mic_source") {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (std::abs(HeardPitch(source) - frequency) < frequency / 50)
                return true;
        }
        return false;
    }

    // Brevo's parameters with the pitch one octave up.
    std::vector<EffectParam> OctaveUp() {
        PnAudioEffect host;
        if (host.Load(program_.File("effects/Brevo.so"), false) != kVstSuccess)
            return {};
        std::vector<EffectParam> params = host.GetParams();
        if (params.size() == 6) {
            params[0].value = 1.0f;          // eight overlaps
            params[5].value = 1.75f / 3.75f; // pitch factor 2
        }
        return params;
    }

    testsupport::TempDir home_;
    testsupport::TempDir program_;
    pid_t feed_ = -1;
};

TEST_F(OptionsOnAir, AnAppliedVoiceEffectSlotIsHeardFromTheVoiceServer) {
    const Outcome start =
        Shell(ShellQuoted(std::string(VOXWARP_SOURCE_DIR) + "/scripts/start-voice-changer.sh") +
              " " + ShellQuoted(testsupport::ProgramDir() + ".."));
    ASSERT_EQ(start.code, 0) << start.out;
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (Ctl("errors").code != 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(200ms);
    ASSERT_EQ(Ctl("client-started").code, 0);
    ASSERT_TRUE(HeardAt(220, 10s)) << "the voice as it is";
    const std::vector<EffectParam> params = OctaveUp();
    ASSERT_EQ(params.size(), 6u);

    std::string recording, source, playback;
    OptionsCommand command;
    command.programFolder = program_.Path();
    command.run = [&](COptionsSheet& sheet) {
        sheet.show();
        // The General page on the sound server's devices.
        sheet.Tabs()->setCurrentIndex(4);
        auto* general = static_cast<CPgSoundCard*>(sheet.Pages().back());
        recording = general->RecordingList()->currentText().toStdString();
        source = general->SourceList()->currentText().toStdString();
        playback = general->PlaybackList()->currentText().toStdString();

        // The Voice Effects page's "<<": the library's effect into slot 1.
        sheet.Working().voiceEffects.push_back({"Brevo", "Octave up", params});
        sheet.Tabs()->setCurrentIndex(0);
        QWidget* effects = sheet.Pages().front();
        auto* library = effects->findChild<QTreeWidget*>(QStringLiteral("library"));
        ASSERT_NE(library, nullptr);
        const QList<QTreeWidgetItem*> found =
            library->findItems(QStringLiteral("Octave up"), Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1);
        library->setCurrentItem(found.front());
        QTest::mouseClick(effects->findChild<QPushButton*>(QStringLiteral("put1")), Qt::LeftButton);
        ASSERT_TRUE(sheet.ApplyButton()->isEnabled());
        QTest::mouseClick(sheet.ApplyButton(), Qt::LeftButton);
        sheet.Context().server.MonitorSet(false); // as a local test does
        QTest::mouseClick(sheet.CancelButton(), Qt::LeftButton);
    };
    ASSERT_EQ(RunOptionsCommand(command), kOptionsDone);
    EXPECT_EQ(recording, "Built-in Microphone");
    EXPECT_FALSE(source.empty());
    EXPECT_EQ(playback, "Speakers");

    AppConfig saved(program_.Path());
    ASSERT_TRUE(saved.Load());
    EXPECT_EQ(saved.effects[0], "Octave up");
    EXPECT_EQ(saved.input, "Built-in Microphone");
    EXPECT_TRUE(HeardAt(220, 10s, "speakers.monitor")) << "the server's monitor is back";

    ASSERT_EQ(Ctl("effect 1").code, 0);
    EXPECT_TRUE(HeardAt(440, 10s)) << "the applied effect an octave up";
}

} // namespace
