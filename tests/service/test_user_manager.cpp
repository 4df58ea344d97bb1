// The service under a real systemd user manager of its own (scripts/user-manager-test.sh):
// installed from a program folder whose path holds '$' and blanks, started, restarted after a
// crash, and removed without a trace. Skipped where no such manager can be started.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "child_process.h"
#include "platform/linux/service_manager_linux.h"
#include "service_test_env.h"

using namespace servicetest;

VOXWARP_TEST_CHILD(svc_fail) {
    return 1;
}

namespace {

namespace unit = platform::servicelinux;

// Runs a shell command; its output (stdout and stderr) goes to output.
int Shell(const std::string& command, std::string& output) {
    return testsupport::RunShell(command + " 2>&1", &output);
}

std::string Systemctl(const std::vector<std::string>& args) {
    std::string output;
    unit::RunSystemctl(args, output);
    return output;
}

pid_t MainPid() {
    return std::atoi(
        Systemctl({"show", "--property=MainPID", "--value", "VoxwarpSrv.service"}).c_str());
}

class SystemdServiceTest : public ServiceTest {
protected:
    void SetUp() override {
        ServiceTest::SetUp();
        manager_ = dir_.File("manager");
        std::string output;
        if (Shell(Script() + " start '" + manager_ + "'", output) != 0)
            GTEST_SKIP() << "no systemd user manager here: " << output;
        started_ = true;
        Set("XDG_RUNTIME_DIR", manager_ + "/runtime");
        Set("XDG_CONFIG_HOME", manager_ + "/config");
        Set("HOME", manager_ + "/home");
    }
    void TearDown() override {
        ServiceTest::TearDown();
        std::string output;
        if (started_)
            Shell(Script() + " stop '" + manager_ + "'", output);
    }
    static std::string Script() {
        return std::string(VOXWARP_SOURCE_DIR) + "/scripts/user-manager-test.sh";
    }
    // Installs the test binary, linked into folder, as the service program running child.
    platform::ServiceOutcome Install(const std::string& folder, const char* child) {
        mkdir(folder.c_str(), 0755);
        std::string program = folder + "/VoxwarpServer";
        if (symlink(platform::ExecutablePath().c_str(), program.c_str()) != 0)
            return {platform::ServiceFailure::Failed, errno, "symlink"};
        return platform::InstallService(
            {kVoxwarpServiceName, kVoxwarpServiceDisplayName, "", program, {child}});
    }

    std::string manager_;
    bool started_ = false;
};

TEST_F(SystemdServiceTest, RunsFromAFolderWithDollarAndBlanksRestartsAfterACrashAndLeavesNothing) {
    ASSERT_TRUE(unit::UserManagerAnswers());
    ASSERT_TRUE(Install(dir_.File("my $HOME 100% app"), kServerChild).Ok());
    NtServiceSystemError error;
    ASSERT_EQ(NtServiceStart(kVoxwarpServiceName, &error), kNtServiceSuccess) << error.text;
    std::uint32_t state = 0;
    EXPECT_EQ(NtServiceStatus(kVoxwarpServiceName, state), kNtServiceSuccess);
    EXPECT_EQ(state, servicestate::kRunning);

    // A crash restarts the server after RestartSec.
    pid_t first = MainPid();
    ASSERT_GT(first, 0);
    ASSERT_EQ(kill(first, SIGKILL), 0);
    pid_t next = 0;
    for (int i = 0; i < 200 && (next == 0 || next == first); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        next = MainPid();
    }
    EXPECT_GT(next, 0);
    EXPECT_NE(next, first);
    EXPECT_EQ(NtServiceStop(kVoxwarpServiceName), kNtServiceSuccess);
    EXPECT_EQ(Systemctl({"is-active", "VoxwarpSrv.service"}), "inactive");
    EXPECT_EQ(NtServiceUninstall(kVoxwarpServiceName), kNtServiceSuccess);
    EXPECT_EQ(Systemctl({"list-units", "--all", "--plain", "--no-legend", "VoxwarpSrv*"}), "");
}

TEST_F(SystemdServiceTest, AFailedServiceIsNotLeftListedAndAnUnrunnablePathIsRefused) {
    ASSERT_TRUE(Install(dir_.File("fails"), "--voxwarp-child=svc_fail").Ok());
    EXPECT_EQ(NtServiceStart(kVoxwarpServiceName), kNtServiceStartFailed);
    EXPECT_EQ(Systemctl({"is-failed", "VoxwarpSrv.service"}), "failed");
    EXPECT_EQ(NtServiceUninstall(kVoxwarpServiceName), kNtServiceSuccess);
    EXPECT_EQ(Systemctl({"list-units", "--all", "--plain", "--no-legend", "VoxwarpSrv*"}), "");

    platform::ServiceOutcome outcome = Install(dir_.File("back\\slash"), kServerChild);
    EXPECT_EQ(outcome.failure, platform::ServiceFailure::Failed);
    EXPECT_NE(outcome.text.find("backslash"), std::string::npos) << outcome.text;
    EXPECT_FALSE(platform::IsServiceInstalled(kVoxwarpServiceName));
}

} // namespace
