// "Voxwarp --options" driven from outside over AT-SPI, as a screen reader or an automation tool
// reaches it: controls found by accessible name and role, a page chosen through its tab, the
// General page's check box switching the desktop session's autostart entry, and Cancel ending
// the program.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "atspi_driver.h"
#include "program_dir.h"
#include "voice_server_session.h"

namespace {

namespace fs = std::filesystem;
using testsupport::AtspiDriver;
using testsupport::DriveOutcome;

std::string Why(const DriveOutcome& outcome) {
    return outcome.err + AtspiDriver().Dump().out;
}

// Whether the file's presence becomes wanted within ten seconds.
bool Becomes(const std::string& path, bool wanted) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (fs::exists(path) != wanted && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return fs::exists(path) == wanted;
}

TEST(OptionsSheetA11y, ControlsAreDrivenByNameAndCancelEndsTheProgram) {
    std::string error;
    ASSERT_TRUE(testsupport::UseA11ySession(VOXWARP_X_TEST_DIR, VOXWARP_A11Y_TEST_DIR, error))
        << error;
    // Home, configuration, runtime and program folders of its own, on the private sound server.
    const testsupport::VoiceServerSession session("a11yoptions");

    testsupport::ControlPanelProcess voxwarp({"--options"});
    ASSERT_TRUE(voxwarp.Started());

    const AtspiDriver driver;
    const AtspiDriver glance("Voxwarp", 0);
    DriveOutcome step = driver.Wait("Cancel", "push button");
    ASSERT_EQ(step.code, 0) << Why(step);
    const std::string autostart = "Start Voxwarp with the desktop session";
    EXPECT_EQ(glance.Wait(autostart).code, 1) << "the General page is not the first";
    step = driver.Press("General", "page tab");
    ASSERT_EQ(step.code, 0) << Why(step);
    step = driver.Wait(autostart, "check box", "!checked");
    ASSERT_EQ(step.code, 0) << Why(step);

    const std::string entry = session.Home().File("config/autostart/Voxwarp.desktop");
    step = driver.Toggle(autostart, "check box");
    ASSERT_EQ(step.code, 0) << Why(step);
    step = driver.Wait(autostart, "check box", "checked");
    EXPECT_EQ(step.code, 0) << Why(step);
    EXPECT_TRUE(Becomes(entry, true));
    step = driver.Toggle(autostart, "check box");
    ASSERT_EQ(step.code, 0) << Why(step);
    step = driver.Wait(autostart, "check box", "!checked");
    EXPECT_EQ(step.code, 0) << Why(step);
    EXPECT_TRUE(Becomes(entry, false));

    step = driver.Press("Cancel", "push button");
    ASSERT_EQ(step.code, 0) << Why(step);
    EXPECT_EQ(voxwarp.Wait(10000), 0);
}

} // namespace
