// The control panel as a user starts it, on the private X server and sound server with the real
// voice server, driven only from outside: controls found and used over AT-SPI as a screen reader
// reaches them, the voice recorded from "Voxwarp Microphone".
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "../on_air_test.h"
#include "atspi_driver.h"
#include "program_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::AtspiDriver;
using testsupport::DriveOutcome;

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
        fs::create_directories(program.File("emoticsounds"));
        fs::copy_file(testsupport::ProgramDir() + "test.wav",
                      program.File("emoticsounds/Chime.wav"));
        AppConfig config(program.Path());
        ASSERT_TRUE(config.Load());
        config.wizard = true;
        config.skinFile = testsupport::ProgramDir() + "skins/en/Default.sdf";
        config.voiceEffects = {{"Brevo", "Octave up", OctaveUp()}};
        config.effects = {"Octave up", "", ""};
        config.emotics = {{"Chime.wav", "Chime"}};
        ASSERT_TRUE(config.Save());
    }
    std::string Why(const DriveOutcome& outcome) const {
        return outcome.err + driver_.Dump().out + session_.Logs();
    }

    AtspiDriver driver_{"Voxwarp", 30};
};

TEST_F(MainWindowOnAir, TheVoiceChangerIsSteeredFromItsWindow) {
    testsupport::ControlPanelProcess voxwarp;
    ASSERT_TRUE(voxwarp.Started());
    // Start-up installs and starts the voice server; the window connects and shows its errors.
    DriveOutcome step = driver_.Wait("Voice Effect 1", "radio button", "enabled");
    ASSERT_EQ(step.code, 0) << Why(step);
    ASSERT_TRUE(HeardAt(220, 15s)) << "the voice as it is";

    step = driver_.Toggle("Voice Effect 1", "radio button");
    ASSERT_EQ(step.code, 0) << Why(step);
    EXPECT_TRUE(HeardAt(440, 10s)) << "effect 1 an octave up";
    step = driver_.Toggle("Voice Effect 1", "radio button");
    ASSERT_EQ(step.code, 0) << Why(step);
    EXPECT_TRUE(HeardAt(220, 10s)) << "effect 1 off again";

    step = driver_.Toggle("Voice Effect 1", "radio button");
    ASSERT_EQ(step.code, 0) << Why(step);

    // A fun sound line is selected while its sound plays and deselected at its end.
    step = driver_.Select("Fun Sounds", "Chime");
    ASSERT_EQ(step.code, 0) << Why(step);
    EXPECT_EQ(driver_.Wait("Chime", "list item", "selected").code, 0);
    EXPECT_EQ(driver_.Wait("Chime", "list item", "!selected").code, 0) << "the chime ended";

    step = driver_.Press("Stop all", "push button");
    ASSERT_EQ(step.code, 0) << Why(step);
    EXPECT_EQ(driver_.Wait("Voice Effect 1", "radio button", "!checked").code, 0);
    EXPECT_TRUE(HeardAt(220, 10s)) << "Stop all turns the effect off";

    // The window follows the service: disabled while it is stopped, enabled again when it
    // starts.
    ASSERT_EQ(testsupport::Voxwarpctl("service stop").code, 0);
    EXPECT_EQ(driver_.Wait("Voice Effect 1", "radio button", "!enabled").code, 0);
    ASSERT_EQ(testsupport::Voxwarpctl("service start").code, 0);
    EXPECT_EQ(driver_.Wait("Voice Effect 1", "radio button", "enabled").code, 0);

    step = driver_.Press("Exit", "push button");
    ASSERT_EQ(step.code, 0) << Why(step);
    EXPECT_EQ(voxwarp.Wait(10000), 0);
}

} // namespace
