// A voice effect made in the editor through the "--edit-effect" command, on the private sound
// server: Brevo with a changed pitch, played through the command's test stream while it is
// edited, saved, then chosen through voxwarpctl and heard from the running voice server.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QListWidget>
#include <QPushButton>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "config/config.h"
#include "editeffect/edit_effect.h"
#include "editeffect/edit_effect_session.h"
#include "pitch_estimate.h"
#include "plain_editor_factory.h"
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

class EditEffectOnAir : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::UsePrivateSoundServer();
        setenv("HOME", home_.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", home_.File("config").c_str(), 1);
        fs::create_directories(home_.File("runtime"));
        fs::permissions(home_.File("runtime"), fs::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", home_.File("runtime").c_str(), 1);
        setenv("VOXWARP_HOME", program_.Path().c_str(), 1);
        setenv("VOXWARP_KOBJECT_NAMESPACE", ("edit" + std::to_string(getpid())).c_str(), 1);

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

    // The pitch heard on a source (default "Voxwarp Microphone") over about a second, 0 when
    // nothing voiced is.
    double HeardPitch(const std::string& source = "voxwarp_mic_source") {
        const std::string raw = home_.File("recorded.raw");
        // A recorder that connects to a source that has been idle may get nothing at first.
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

    testsupport::TempDir home_;
    testsupport::TempDir program_;
    edittest::PlainEditorFactory factory_;
    pid_t feed_ = -1;
};

TEST_F(EditEffectOnAir, AnEffectSavedByTheEditorIsHeardFromTheVoiceServer) {
    const Outcome start =
        Shell(ShellQuoted(std::string(VOXWARP_SOURCE_DIR) + "/scripts/start-voice-changer.sh") +
              " " + ShellQuoted(testsupport::ProgramDir() + ".."));
    ASSERT_EQ(start.code, 0) << start.out;
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (Ctl("errors").code != 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(200ms);
    ASSERT_EQ(Ctl("client-started").code, 0);
    ASSERT_TRUE(HeardAt(220, 10s)) << "the voice as it is";
    ASSERT_TRUE(HeardAt(220, 10s, "speakers.monitor")) << "the server's monitor";

    bool listened = false;
    EditEffectCommand command;
    command.name = "Octave up";
    command.programFolder = program_.Path();
    command.run = [&](CEditEffect& dialog) {
        dialog.show();
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("plugins"));
        auto found = list->findItems(QStringLiteral("Brevo"), Qt::MatchExactly);
        if (found.size() != 1)
            return static_cast<int>(QDialog::Rejected);
        list->setCurrentItem(found.front());
        dialog.findChild<QPushButton*>(QStringLiteral("use"))->click();
        dialog.Host().SetParameter(0, 1.0f);          // eight overlaps
        dialog.Host().SetParameter(5, 1.75f / 3.75f); // pitch factor 2
        // The user hears the change at once on the playback device, and only it: the server's
        // monitor (the voice as it is, a fundamental of 220 Hz under the octave) is off.
        listened = HeardAt(440, 10s, "speakers.monitor");
        dialog.findChild<QPushButton*>(QStringLiteral("ok"))->click();
        return dialog.result();
    };
    ASSERT_EQ(RunEditEffectCommand(command), kEditEffectSaved);
    EXPECT_TRUE(listened) << "listening while editing";
    EXPECT_TRUE(HeardAt(220, 10s, "speakers.monitor")) << "the server's monitor is back";

    AppConfig saved(program_.Path());
    ASSERT_TRUE(saved.Load());
    ASSERT_EQ(saved.voiceEffects.size(), 1u);
    EXPECT_EQ(saved.voiceEffects[0].plugin, "Brevo");
    ASSERT_EQ(saved.voiceEffects[0].params.size(), 6u);
    EXPECT_NEAR(saved.voiceEffects[0].params[5].value, 1.75f / 3.75f, 1e-5);

    ASSERT_EQ(Ctl("effect-select 1 'Octave up'").code, 0);
    ASSERT_EQ(Ctl("effect 1").code, 0);
    EXPECT_TRUE(HeardAt(440, 10s)) << "the saved effect an octave up";
}

} // namespace
