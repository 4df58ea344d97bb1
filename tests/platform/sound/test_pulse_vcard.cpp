// The virtual microphone in the private sound server: install, status, remove, persistence in
// the user's configuration, the read counter, and a sound server that is not there.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "child_process.h"
#include "platform/sound/linux/pulse_connection.h"
#include "platform/sound/linux/pulse_vcard_config.h"
#include "platform/sound/sound_server.h"
#include "pulse_test_util.h"
#include "sound_server.h"
#include "temp_dir.h"

namespace {

using pulsetest::Pactl;
using pulsetest::ScopedEnv;

// How many times text occurs in listing.
std::size_t Count(const std::string& listing, const std::string& text) {
    std::size_t count = 0;
    for (std::size_t at = listing.find(text); at != std::string::npos;
         at = listing.find(text, at + 1)) {
        ++count;
    }
    return count;
}

// Both sides as pactl sees them: one sink and one source described "Voxwarp Microphone".
void ExpectOneCardInServer() {
    EXPECT_EQ(Count(Pactl("list sinks"), "Description: Voxwarp Microphone\n"), 1u);
    EXPECT_EQ(Count(Pactl("list sources"), "Description: Voxwarp Microphone\n"), 1u);
}

// Our two modules, each loaded once.
void ExpectOurModulesOnce() {
    std::string modules = Pactl("list short modules");
    EXPECT_EQ(Count(modules, "sink_name=voxwarp_mic "), 1u) << modules;
    EXPECT_EQ(Count(modules, "source_name=voxwarp_mic_source "), 1u) << modules;
}

void ExpectNoCardInServer() {
    EXPECT_EQ(Count(Pactl("list sinks"), "Voxwarp Microphone"), 0u);
    EXPECT_EQ(Count(Pactl("list sources"), "Voxwarp Microphone"), 0u);
    EXPECT_EQ(Count(Pactl("list short modules"), "voxwarp"), 0u);
}

platform::VirtualCardStatus Status() {
    platform::VirtualCardStatus status;
    std::string error;
    EXPECT_TRUE(platform::QueryVirtualCard(status, error)) << error;
    return status;
}

// A private user configuration folder for one test.
class VirtualCardTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::UsePrivateSoundServer(); }
    void TearDown() override {
        std::string error;
        platform::RemoveVirtualCard(error);
    }
    testsupport::TempDir config;
    ScopedEnv xdg{"XDG_CONFIG_HOME", config.Path()};
    std::string script = config.File("pulse/default.pa");
};

TEST_F(VirtualCardTest, InstallsOnceKeepsTheUsersLinesAndRemovesCleanly) {
    const std::string user = ".include /etc/pulse/default.pa\nload-module module-always-sink\n";
    ASSERT_EQ(std::system(("mkdir -p " + config.File("pulse")).c_str()), 0);
    testsupport::WriteFile(script, user);

    platform::VirtualCardStatus status = Status();
    EXPECT_FALSE(status.playbackSide || status.captureSide || status.persistent);

    std::string error;
    ASSERT_TRUE(platform::InstallVirtualCard(true, error)) << error;
    ExpectOneCardInServer();
    ExpectOurModulesOnce();
    status = Status();
    EXPECT_TRUE(status.playbackSide && status.captureSide && status.persistent);
    std::string written = testsupport::ReadFile(script);
    EXPECT_EQ(written.rfind(user, 0), 0u) << written;
    EXPECT_EQ(Count(written, "load-module module-null-sink"), 1u);

    // Installing again adds nothing, in the server or in the script.
    ASSERT_TRUE(platform::InstallVirtualCard(true, error)) << error;
    ExpectOneCardInServer();
    ExpectOurModulesOnce();
    EXPECT_EQ(testsupport::ReadFile(script), written);

    // The capture side can be everyone's default microphone, and back.
    SoundSystem& system = platform::SoundServerSystem();
    ASSERT_TRUE(system.SetDefault(SoundDirection::Recording, "voxwarp_mic_source"));
    std::string id;
    EXPECT_TRUE(system.GetDefault(SoundDirection::Recording, id));
    EXPECT_EQ(id, "voxwarp_mic_source");
    ASSERT_TRUE(system.SetDefault(SoundDirection::Recording, "fake_mic"));

    ASSERT_TRUE(platform::RemoveVirtualCard(error)) << error;
    ExpectNoCardInServer();
    EXPECT_EQ(testsupport::ReadFile(script), user);
    status = Status();
    EXPECT_FALSE(status.playbackSide || status.captureSide || status.persistent);
    // Removing what is not there is no error.
    EXPECT_TRUE(platform::RemoveVirtualCard(error)) << error;
}

TEST_F(VirtualCardTest, NewScriptStillLoadsTheSystemScript) {
    std::string error;
    ASSERT_TRUE(platform::InstallVirtualCard(true, error)) << error;
    std::string written = testsupport::ReadFile(script);
    EXPECT_EQ(written.rfind(platform::vcard::kNewScriptHeader, 0), 0u) << written;
    ASSERT_TRUE(platform::RemoveVirtualCard(error)) << error;
    EXPECT_EQ(testsupport::ReadFile(script), platform::vcard::kNewScriptHeader);
}

TEST_F(VirtualCardTest, WithoutPersistNothingIsWritten) {
    std::string error;
    ASSERT_TRUE(platform::InstallVirtualCard(false, error)) << error;
    ExpectOneCardInServer();
    EXPECT_FALSE(Status().persistent);
    EXPECT_NE(access(script.c_str(), F_OK), 0);
}

// The lines written to the script, loaded into the running server one by one, make the card.
TEST_F(VirtualCardTest, PersistedLinesLoadIntoTheServer) {
    std::string error;
    ASSERT_TRUE(platform::InstallVirtualCard(true, error)) << error;
    std::string modules = Pactl("list short modules");
    for (const char* side : {"source_name=voxwarp_mic_source", "sink_name=voxwarp_mic "}) {
        std::size_t at = modules.find(side);
        ASSERT_NE(at, std::string::npos) << modules;
        std::size_t lineStart = modules.rfind('\n', at);
        lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
        std::string index = modules.substr(lineStart, modules.find('\t', lineStart) - lineStart);
        ASSERT_EQ(testsupport::RunWithSoundServer("pactl unload-module " + index), 0);
    }
    ExpectNoCardInServer();

    std::string written = testsupport::ReadFile(script);
    int loaded = 0;
    for (std::size_t at = written.find("\nload-module "); at != std::string::npos;
         at = written.find("\nload-module ", at + 1)) {
        std::size_t start = at + 13;
        std::string line = written.substr(start, written.find('\n', start) - start);
        std::size_t space = line.find(' ');
        std::string command = "pactl load-module " + line.substr(0, space) + " " +
                              pulsetest::ShellQuoted(line.substr(space + 1)) + " >/dev/null";
        ASSERT_EQ(testsupport::RunWithSoundServer(command), 0) << line;
        ++loaded;
    }
    EXPECT_EQ(loaded, 2);
    ExpectOneCardInServer();
    ExpectOurModulesOnce();
    EXPECT_NE(Pactl("list sinks").find("Name: voxwarp_mic\n"), std::string::npos);
    EXPECT_NE(Pactl("list sources").find("Name: voxwarp_mic_source\n"), std::string::npos);
    platform::VirtualCardStatus status = Status();
    EXPECT_TRUE(status.playbackSide && status.captureSide);
    ASSERT_TRUE(platform::RemoveVirtualCard(error)) << error;
    ExpectNoCardInServer();
}

// A sink described "Voxwarp Microphone" that something else made counts as the playback side.
TEST_F(VirtualCardTest, FindsTheCardByDescription) {
    std::string arguments =
        "sink_name=other_mic sink_properties='device.description=\"Voxwarp Microphone\"'";
    ASSERT_EQ(testsupport::RunWithSoundServer("pactl load-module module-null-sink " +
                                              pulsetest::ShellQuoted(arguments) + " >/dev/null"),
              0);
    platform::VirtualCardStatus status = Status();
    EXPECT_TRUE(status.playbackSide);
    EXPECT_FALSE(status.captureSide);
    std::string error;
    ASSERT_TRUE(platform::InstallVirtualCard(false, error)) << error;
    ExpectOneCardInServer();
    EXPECT_NE(Pactl("list short modules").find("master=other_mic.monitor"), std::string::npos);
    ASSERT_TRUE(platform::RemoveVirtualCard(error)) << error;
    ExpectNoCardInServer();
}

// The counter moves while some program records from the capture side and stays still otherwise.
TEST_F(VirtualCardTest, ReadCounterMovesOnlyWhileSomeoneRecords) {
    std::string error;
    EXPECT_EQ(platform::VirtualCardReadCounter(1), 0u); // no card: cannot be read
    ASSERT_TRUE(platform::InstallVirtualCard(false, error)) << error;
    EXPECT_EQ(platform::VirtualCardReadCounter(0), 0u);
    std::uint32_t before = platform::VirtualCardReadCounter(1);
    EXPECT_NE(before, 0u);
    EXPECT_EQ(platform::VirtualCardReadCounter(1), before);

    std::string pidText;
    ASSERT_EQ(testsupport::RunWithSoundServer(
                  "parec -d voxwarp_mic_source --raw >/dev/null 2>&1 & echo $!", &pidText),
              0);
    pid_t recorder = std::stoi(pidText);
    bool moved = false;
    for (int i = 0; i < 100 && !moved; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        moved = platform::VirtualCardReadCounter(1) != before;
    }
    EXPECT_TRUE(moved);
    std::uint32_t a = platform::VirtualCardReadCounter(1);
    EXPECT_NE(platform::VirtualCardReadCounter(1), a);

    kill(recorder, SIGTERM);
    bool still = false;
    for (int i = 0; i < 100 && !still; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::uint32_t first = platform::VirtualCardReadCounter(1);
        still = platform::VirtualCardReadCounter(1) == first;
    }
    EXPECT_TRUE(still);
    std::uint32_t after = platform::VirtualCardReadCounter(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(platform::VirtualCardReadCounter(1), after);
}

// A sound server that is not running: every call fails at once and clearly.
VOXWARP_TEST_CHILD(PulseNoServer) {
    setenv("PULSE_SERVER", "unix:/nonexistent/voxwarp-test/native", 1);
    setenv("XDG_CONFIG_HOME", args.at(0).c_str(), 1);
    SoundSystem& system = platform::SoundServerSystem();
    std::vector<SoundDeviceInfo> devices;
    std::string id;
    std::uint32_t volume = 0;
    if (system.ListDevices(SoundDirection::Recording, devices) || !devices.empty() ||
        system.GetDefault(SoundDirection::Playback, id) ||
        system.SetDefault(SoundDirection::Playback, "speakers") ||
        system.GetVolume(SoundDirection::Playback, "speakers", volume) ||
        system.SetVolume(SoundDirection::Playback, "speakers", 1)) {
        return 2;
    }
    std::string error;
    platform::VirtualCardStatus status;
    if (platform::QueryVirtualCard(status, error) || error.empty()) {
        return 3;
    }
    if (platform::InstallVirtualCard(true, error) ||
        error.find("sound server") == std::string::npos) {
        return 4;
    }
    if (access(platform::vcard::PulseScriptPath().c_str(), F_OK) == 0) {
        return 5; // nothing persisted when nothing could be loaded
    }
    if (platform::VirtualCardReadCounter(1) != 0) {
        return 6;
    }
    platform::PulseConnection connection;
    if (connection.Connect("test", error) || connection.IsReady() || connection.Failed() ||
        error.find("cannot connect to the sound server") == std::string::npos) {
        return 7;
    }
    return 0;
}

TEST(VirtualCardNoServer, EveryCallFailsCleanly) {
    testsupport::TempDir config;
    pid_t child = testsupport::SpawnChild("PulseNoServer", {config.Path()});
    EXPECT_EQ(testsupport::WaitChild(child, 20000), 0);
}

} // namespace
