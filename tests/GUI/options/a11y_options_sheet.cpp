// "Voxwarp --options" driven from outside over AT-SPI, as a screen reader or an automation tool
// reaches it: controls found by accessible name and role, a page chosen through its tab, the
// General page's check box switching the desktop session's autostart entry, and Cancel ending
// the program.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "atspi_driver.h"
#include "child_process.h"
#include "program_dir.h"
#include "sound_server.h"
#include "temp_dir.h"

extern char** environ;

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
    testsupport::UsePrivateSoundServer();
    testsupport::TempDir home;
    testsupport::TempDir program;
    setenv("HOME", home.Path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.File("config").c_str(), 1);
    fs::create_directories(home.File("runtime"));
    fs::permissions(home.File("runtime"), fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", home.File("runtime").c_str(), 1);
    setenv("VOXWARP_HOME", program.Path().c_str(), 1);

    const std::string voxwarp = testsupport::ProgramDir() + "Voxwarp";
    const char* argv[] = {voxwarp.c_str(), "--options", nullptr};
    pid_t pid = -1;
    ASSERT_EQ(
        posix_spawn(&pid, voxwarp.c_str(), nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    struct Reaper {
        pid_t pid;
        ~Reaper() {
            if (pid > 0 && kill(pid, SIGKILL) == 0)
                waitpid(pid, nullptr, 0);
        }
    } reaper{pid};

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

    const std::string entry = home.File("config/autostart/Voxwarp.desktop");
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
    EXPECT_EQ(testsupport::WaitChild(pid, 10000), 0);
    reaper.pid = -1;
}

} // namespace
