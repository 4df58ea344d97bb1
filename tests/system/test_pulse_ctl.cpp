// voxwarpctl's sound server commands through the built program and the private server.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "program_dir.h"
#include "pulse_test_util.h"
#include "sound_server.h"
#include "temp_dir.h"

namespace {

struct CtlResult {
    int code = -1;
    std::string out; // standard output and error together
};

CtlResult RunCtl(const std::string& arguments, const std::string& environment = "") {
    std::string program = testsupport::ProgramDir() + "voxwarpctl";
    EXPECT_EQ(access(program.c_str(), X_OK), 0) << program << " is not built";
    CtlResult result;
    result.code = testsupport::RunWithSoundServer(
        environment + " " + pulsetest::ShellQuoted(program) + " " + arguments + " 2>&1",
        &result.out);
    return result;
}

class VoxwarpctlSound : public ::testing::Test {
protected:
    void SetUp() override { testsupport::UsePrivateSoundServer(); }
};

TEST_F(VoxwarpctlSound, DevicesListsBothDirectionsWithTheirDefaults) {
    CtlResult result = RunCtl("devices");
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "recording: Built-in Microphone (default)\n"
                          "playback: Fake microphone feed\n"
                          "playback: Speakers (default)\n");
}

TEST_F(VoxwarpctlSound, VcardInstallStatusRemove) {
    testsupport::TempDir config;
    std::string env = "XDG_CONFIG_HOME=" + pulsetest::ShellQuoted(config.Path());
    EXPECT_EQ(RunCtl("vcard status", env).out,
              "playback side: not loaded\ncapture side: not loaded\npersistent: no\n");

    CtlResult install = RunCtl("vcard install", env);
    EXPECT_EQ(install.code, 0) << install.out;
    EXPECT_EQ(RunCtl("vcard status", env).out,
              "playback side: loaded\ncapture side: loaded\npersistent: yes\n");
    CtlResult devices = RunCtl("devices");
    EXPECT_NE(devices.out.find("recording: Voxwarp Microphone\n"), std::string::npos);
    EXPECT_NE(devices.out.find("playback: Voxwarp Microphone\n"), std::string::npos);

    CtlResult remove = RunCtl("vcard remove", env);
    EXPECT_EQ(remove.code, 0) << remove.out;
    EXPECT_EQ(RunCtl("vcard status", env).out,
              "playback side: not loaded\ncapture side: not loaded\npersistent: no\n");
    EXPECT_EQ(pulsetest::Pactl("list short modules").find("voxwarp"), std::string::npos);
}

TEST_F(VoxwarpctlSound, NoSoundServerIsAClearFailure) {
    const std::string env = "PULSE_SERVER=unix:/nonexistent/voxwarp-test/native";
    for (const char* command : {"devices", "vcard status", "vcard install"}) {
        CtlResult result = RunCtl(command, env);
        EXPECT_EQ(result.code, 3) << command;
        EXPECT_NE(result.out.find("sound server"), std::string::npos) << result.out;
    }
}

TEST_F(VoxwarpctlSound, BadArgumentsAndHelp) {
    for (const char* command : {"vcard", "vcard play", "devices all", "vcard status now"}) {
        CtlResult result = RunCtl(command);
        EXPECT_EQ(result.code, 2) << command;
        EXPECT_EQ(result.out.rfind("voxwarpctl: ", 0), 0u) << result.out;
    }
    CtlResult help = RunCtl("--help");
    EXPECT_EQ(help.code, 0);
    for (const char* usage :
         {"  devices ", "  vcard install ", "  vcard remove ", "  vcard status "}) {
        EXPECT_NE(help.out.find(usage), std::string::npos) << usage;
    }
}

} // namespace
