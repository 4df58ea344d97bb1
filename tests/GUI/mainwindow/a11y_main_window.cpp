// The control panel as a user starts it, on the private X server and sound server with the real
// voice server, driven only from outside: controls found and used over AT-SPI as a screen reader
// reaches them, the voice recorded from "Voxwarp Microphone".
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "../on_air_test.h"
#include "atspi_driver.h"
#include "program_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::AtspiDriver;
using testsupport::DriveOutcome;

// The amplitude of the frequency in the samples (Goertzel), in 16-bit units.
double ToneAmplitude(const std::vector<std::int16_t>& samples, double frequency) {
    if (samples.empty())
        return 0;
    const double w = 2 * M_PI * frequency / 44100;
    double s1 = 0;
    double s2 = 0;
    for (std::int16_t sample : samples) {
        const double s0 = sample + 2 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2;
    return 2 * std::sqrt(std::max(power, 0.0)) / samples.size();
}

class MainWindowOnAir : public OnAirTest {
protected:
    MainWindowOnAir() : OnAirTest("mainwin") {}

    void SetUp() override {
        OnAirTest::SetUp();
        std::string error;
        ASSERT_TRUE(testsupport::UseA11ySession(VOXWARP_X_TEST_DIR, VOXWARP_A11Y_TEST_DIR, error))
            << error;
        // The virtual microphone, as the run script loads it.
        ASSERT_EQ(testsupport::Voxwarpctl("vcard install").code, 0);
        const testsupport::TempDir& program = session_.Program();
        fs::copy_file(testsupport::ProgramDir() + "test.wav",
                      program.File("emoticsounds/Chime.wav"));
        ASSERT_EQ(testsupport::ShellWithSoundServer("sox -n -r 44100 -c 1 -b 16 " +
                                                    program.File("backsounds/Whistle.wav") +
                                                    " synth 5 sine 1000 vol 0.5")
                      .code,
                  0);
        AppConfig config(program.Path());
        ASSERT_TRUE(config.Load());
        config.wizard = true;
        config.skinFile = testsupport::ProgramDir() + "skins/en/Default.sdf";
        config.voiceEffects = {{"Brevo", "Octave up", OctaveUp()}, {"Missing", "Broken", {}}};
        config.effects = {"Octave up", "", ""};
        config.backSounds[0] = {"Whistle.wav", "Whistle", 100};
        config.emotics = {{"Chime.wav", "Chime"}};
        config.shortcuts[0] = "Ctrl+Shift+F9"; // toggles voice effect 1
        ASSERT_TRUE(config.Save());
    }

    // Whether the tone is in what the source carries (or, for wanted false, gone from it) within
    // the time.
    bool ToneAt(double frequency, bool wanted, std::chrono::seconds limit,
                const std::string& source = "voxwarp_mic_source") {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            const double amplitude = ToneAmplitude(session_.Record(source, 1.0), frequency);
            if (wanted ? amplitude > 1000 : amplitude < 100)
                return true;
        }
        return false;
    }
    // Whether the source carries nothing audible within the time.
    bool Silent(const std::string& source, std::chrono::seconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            const std::vector<std::int16_t> samples = session_.Record(source, 1.0);
            double sum = 0;
            for (std::int16_t sample : samples)
                sum += static_cast<double>(sample) * sample;
            if (!samples.empty() && std::sqrt(sum / samples.size()) < 100)
                return true;
        }
        return false;
    }
    // Whether the main window (the default skin's 680 x 420) is shown on the screen; message
    // boxes carry the same title.
    static bool WindowShown() {
        const testsupport::ShellOutcome windows = testsupport::ShellWithSoundServer(
            "xdotool search --onlyvisible --name '^Voxwarp$' getwindowgeometry %@");
        return windows.out.find("680x420") != std::string::npos;
    }
    static bool WaitWindowShown(bool wanted) {
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (WindowShown() != wanted && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(200ms);
        return WindowShown() == wanted;
    }
    std::string Why(const DriveOutcome& outcome) const {
        return outcome.err + driver_.Dump().out + session_.Logs();
    }

    AtspiDriver driver_{"Voxwarp", 30};
};

TEST_F(MainWindowOnAir, TheVoiceChangerIsSteeredFromItsWindow) {
    testsupport::ControlPanelProcess voxwarp;
    ASSERT_TRUE(voxwarp.Started());
    // Start-up installs and starts the voice server; the window connects.
    DriveOutcome step = driver_.Wait("Voice Effect 1", "radio button", "enabled");
    ASSERT_EQ(step.code, 0) << Why(step);
    ASSERT_TRUE(HeardAt(220, 15s)) << "the voice as it is";

    step = driver_.Toggle("Voice Effect 1", "radio button");
    ASSERT_EQ(step.code, 0) << Why(step);
    EXPECT_TRUE(HeardAt(440, 10s)) << "effect 1 an octave up";
    step = driver_.Toggle("Voice Effect 1", "radio button");
    ASSERT_EQ(step.code, 0) << Why(step);
    EXPECT_TRUE(HeardAt(220, 10s)) << "effect 1 off again";

    // The hot key reaches the window whichever program has the focus.
    ASSERT_EQ(testsupport::ShellWithSoundServer("xdotool key ctrl+shift+F9").code, 0);
    EXPECT_TRUE(HeardAt(440, 10s)) << "effect 1 by its hot key";

    // The monitor switch and its level reach the monitor device.
    EXPECT_TRUE(HeardAt(440, 10s, "speakers.monitor")) << "the monitor is on";
    ASSERT_EQ(driver_.SetValue("Monitor Volume", 0).code, 0);
    EXPECT_TRUE(Silent("speakers.monitor", 10s)) << "the monitor at volume 0";
    ASSERT_EQ(driver_.SetValue("Monitor Volume", 100).code, 0);
    EXPECT_TRUE(HeardAt(440, 10s, "speakers.monitor")) << "the monitor at full volume";
    step = driver_.Toggle("Monitor", "radio button");
    ASSERT_EQ(step.code, 0) << Why(step);
    EXPECT_TRUE(Silent("speakers.monitor", 10s)) << "the monitor switched off";

    // A background slot's radio mixes its sound in, and its slider sets its level.
    step = driver_.Toggle("Background 1", "radio button");
    ASSERT_EQ(step.code, 0) << Why(step);
    EXPECT_TRUE(ToneAt(1000, true, 10s)) << "the background is mixed in";
    step = driver_.SetValue("Background 1 Volume", 0);
    ASSERT_EQ(step.code, 0) << Why(step);
    EXPECT_TRUE(ToneAt(1000, false, 10s)) << "the background at volume 0";
    ASSERT_EQ(driver_.SetValue("Background 1 Volume", 100).code, 0);
    EXPECT_TRUE(ToneAt(1000, true, 10s)) << "the background back at full volume";

    // A fun sound line is selected while its sound plays and deselected at its end.
    step = driver_.Select("Fun Sounds", "Chime");
    ASSERT_EQ(step.code, 0) << Why(step);
    EXPECT_EQ(driver_.Wait("Chime", "list item", "selected").code, 0);
    EXPECT_EQ(driver_.Wait("Chime", "list item", "!selected").code, 0) << "the chime ended";

    step = driver_.Press("Stop all", "push button");
    ASSERT_EQ(step.code, 0) << Why(step);
    EXPECT_EQ(driver_.Wait("Voice Effect 1", "radio button", "!checked").code, 0);
    EXPECT_TRUE(HeardAt(220, 10s)) << "Stop all turns the effect off";
    EXPECT_TRUE(ToneAt(1000, false, 10s)) << "Stop all turns the background off";

    // The window follows the service: disabled while it is stopped, enabled again when it
    // starts, with what the server could not load (an effect whose plug-in is missing).
    ASSERT_EQ(testsupport::Voxwarpctl("effect-select 3 Broken").code, 0);
    testsupport::Voxwarpctl("effect 3");
    ASSERT_EQ(testsupport::Voxwarpctl("service stop").code, 0);
    EXPECT_EQ(driver_.Wait("Voice Effect 1", "radio button", "!enabled").code, 0);
    ASSERT_EQ(testsupport::Voxwarpctl("service start").code, 0);
    EXPECT_EQ(driver_.Wait("Voice Effect 3", "radio button", "enabled").code, 0);
    const DriveOutcome errors = driver_.DialogText("Voxwarp");
    EXPECT_NE(errors.out.find("Missing"), std::string::npos) << errors.out << errors.err;
    ASSERT_EQ(driver_.Press("OK", "push button").code, 0);

    // With a notification area, Minimize hides the window; a second start brings it back.
    ASSERT_EQ(testsupport::ShellWithSoundServer("(trayer >/dev/null 2>&1 &)").code, 0);
    std::this_thread::sleep_for(1s); // the tray takes its selection
    ASSERT_TRUE(WindowShown());
    ASSERT_EQ(driver_.Press("Minimize", "push button").code, 0);
    EXPECT_TRUE(WaitWindowShown(false)) << "hidden in the notification area";
    {
        testsupport::ControlPanelProcess second;
        EXPECT_TRUE(WaitWindowShown(true)) << "a second start brings the window back";
    }
    testsupport::ShellWithSoundServer("pkill -x trayer");

    step = driver_.Press("Exit", "push button");
    ASSERT_EQ(step.code, 0) << Why(step);
    EXPECT_EQ(voxwarp.Wait(10000), 0);
}

} // namespace
