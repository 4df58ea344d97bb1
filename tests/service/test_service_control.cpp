// The control functions on the start without a service manager: the whole life of the service
// with the test binary as its program, stale pid files, the installation by file version, and
// voxwarpctl's service commands.
#include <csignal>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "child_process.h"
#include "config/config.h"
#include "ctl_run.h"
#include "elf_note_image.h"
#include "ipc/ipc.h"
#include "service_test_env.h"

extern char** environ;

using namespace servicetest;

VOXWARP_TEST_CHILD(svc_exit) {
    return 0;
}

namespace {

std::uint32_t State() {
    std::uint32_t state = 0;
    EXPECT_EQ(NtServiceStatus(kVoxwarpServiceName, state), kNtServiceSuccess);
    return state;
}

pid_t PidIn(const std::string& pidFile) {
    return static_cast<pid_t>(std::atoi(testsupport::ReadFile(pidFile).c_str()));
}

TEST_F(ServiceTest, StartsStopsAndRemovesTheServiceWithoutAManager) {
    std::uint32_t state = 0;
    EXPECT_EQ(NtServiceStatus(kVoxwarpServiceName, state), kNtServiceNotFound);
    EXPECT_EQ(NtServiceStart(kVoxwarpServiceName), kNtServiceNotFound);
    ASSERT_EQ(InstallTestService(), 1);
    EXPECT_EQ(State(), servicestate::kStopped);

    // The environment reaches the service: it writes its log where this variable says.
    Set("SERVICE_TEST_LOG", dir_.File("server.log"));
    std::vector<std::string> messages;
    ASSERT_TRUE(RunServer([&](const std::string& text) { messages.push_back(text); }));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(State(), servicestate::kRunning);
    pid_t pid = PidIn(PidFile());
    ASSERT_GT(pid, 0);
    EXPECT_NE(pid, getpid());

    // Started again: nothing new runs.
    EXPECT_EQ(NtServiceStart(kVoxwarpServiceName), kNtServiceSuccess);
    EXPECT_TRUE(RunServer([&](const std::string& text) { messages.push_back(text); }));
    EXPECT_EQ(PidIn(PidFile()), pid);

    EXPECT_EQ(NtServiceStop(kVoxwarpServiceName), kNtServiceSuccess);
    EXPECT_EQ(State(), servicestate::kStopped);
    EXPECT_EQ(access(PidFile().c_str(), F_OK), -1);
    EXPECT_NE(testsupport::ReadFile(dir_.File("server.log")).find("CNTService::Handler(1)"),
              std::string::npos);
    EXPECT_EQ(NtServiceStop(kVoxwarpServiceName), kNtServiceSuccess);

    EXPECT_EQ(NtServiceUninstall(kVoxwarpServiceName), kNtServiceSuccess);
    EXPECT_EQ(access(UnitFile().c_str(), F_OK), -1);
    EXPECT_EQ(NtServiceUninstall(kVoxwarpServiceName), kNtServiceOpenFailed);
    EXPECT_FALSE(RunServer([&](const std::string& text) { messages.push_back(text); }));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Service not found\n\n", 0), 0u) << messages[0];
}

TEST_F(ServiceTest, StalePidFileCountsAsStoppedAndIsRemoved) {
    ASSERT_EQ(InstallTestService(), 1);
    pid_t dead = testsupport::SpawnChild("svc_exit");
    ASSERT_EQ(testsupport::WaitChild(dead), 0);
    pid_t stranger = 0;
    char* sleepArgs[] = {const_cast<char*>("sleep"), const_cast<char*>("30"), nullptr};
    ASSERT_EQ(posix_spawn(&stranger, "/bin/sleep", nullptr, nullptr, sleepArgs, environ), 0);
    // A dead process, a live one that runs another program, and no number at all.
    for (const std::string& content :
         {std::to_string(dead) + "\n4\n", std::to_string(stranger) + "\n4\n", std::string("x\n")}) {
        mkdir(dir_.File("run/voxwarp").c_str(), 0700);
        testsupport::WriteFile(PidFile(), content);
        EXPECT_EQ(State(), servicestate::kStopped) << content;
        EXPECT_EQ(access(PidFile().c_str(), F_OK), -1) << content;
        testsupport::WriteFile(PidFile(), content);
        EXPECT_EQ(NtServiceStop(kVoxwarpServiceName), kNtServiceSuccess) << content;
    }
    EXPECT_EQ(waitpid(stranger, nullptr, WNOHANG), 0) << "the stranger got no stop signal";
    kill(stranger, SIGKILL);
    waitpid(stranger, nullptr, 0);
    // A stale file does not keep the service from starting.
    testsupport::WriteFile(PidFile(), std::to_string(dead) + "\n4\n");
    EXPECT_EQ(NtServiceStart(kVoxwarpServiceName), kNtServiceSuccess);
    EXPECT_EQ(State(), servicestate::kRunning);
    EXPECT_EQ(NtServiceStop(kVoxwarpServiceName), kNtServiceSuccess);
}

TEST_F(ServiceTest, InstallServerReplacesTheServiceWhenTheVersionChanges) {
    const std::string program = dir_.File("VoxwarpServer");
    auto stamp = [&](const char* version) {
        testsupport::WriteFile(program, testsupport::ElfWithPackageNote(
                                            std::string(R"({"FileVersion":")") + version + "\"}"));
    };
    std::vector<std::string> messages;
    auto sink = [&](const std::string& text) { messages.push_back(text); };
    AppConfig config(dir_.Path());
    const ServerCommandLine server{program, {}};

    EXPECT_FALSE(InstallServer(config, server, sink));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Parlano service not found.\nFile: \"" + program, 0), 0u);

    stamp("1.2.3.4");
    ASSERT_TRUE(InstallServer(config, server, sink));
    AppConfig stored(dir_.Path());
    stored.ReadSys();
    EXPECT_EQ(stored.version, "1.2.3.4");
    std::string path;
    EXPECT_EQ(NtServiceGetPath(kVoxwarpServiceName, path), kNtServiceSuccess);
    EXPECT_EQ(path, program);

    // Same version: the installed service stays as it is.
    testsupport::WriteFile(UnitFile(), testsupport::ReadFile(UnitFile()) + "# kept\n");
    ASSERT_TRUE(InstallServer(config, server, sink));
    EXPECT_NE(testsupport::ReadFile(UnitFile()).find("# kept"), std::string::npos);

    stamp("1.2.3.5");
    ASSERT_TRUE(InstallServer(config, server, sink));
    EXPECT_EQ(testsupport::ReadFile(UnitFile()).find("# kept"), std::string::npos);
    stored.ReadSys();
    EXPECT_EQ(stored.version, "1.2.3.5");

    // A program file without version strings fails the installation.
    testsupport::WriteFile(program, "#!/bin/sh\n");
    EXPECT_FALSE(InstallServer(config, server, sink));
    EXPECT_EQ(messages.back().rfind("Can not get file version after install.", 0), 0u);
    EXPECT_EQ(messages.size(), 2u);
}

TEST_F(ServiceTest, VoxwarpctlManagesTheService) {
    struct NoServer : voxwarpctl::CtlConnector {
        std::unique_ptr<IPC> Connect(const std::string&) override { return nullptr; }
    } connector;
    auto ctl = [&](std::vector<std::string> args, std::string* err = nullptr) {
        std::ostringstream out;
        std::ostringstream errors;
        AppConfig config;
        int code = voxwarpctl::RunCtl(args, connector, config, out, errors);
        if (err)
            *err = errors.str();
        return std::to_string(code) + " " + out.str();
    };
    std::string err;
    EXPECT_EQ(ctl({"service", "status"}), "0 VoxwarpSrv: not installed\n");
    EXPECT_EQ(ctl({"service", "start"}, &err), "5 ");
    EXPECT_EQ(err, "voxwarpctl: service start: Service not found (No such file or directory)\n");
    EXPECT_EQ(ctl({"service", "bogus"}).substr(0, 2), "2 ");
    EXPECT_EQ(ctl({"service"}).substr(0, 2), "2 ");

    ASSERT_EQ(InstallTestService(), 1);
    EXPECT_EQ(ctl({"service", "status"}), "0 VoxwarpSrv: stopped\n");
    EXPECT_EQ(ctl({"service", "start"}), "0 Service VoxwarpSrv is running.\n");
    EXPECT_EQ(ctl({"service", "status"}), "0 VoxwarpSrv: running\n");
    EXPECT_EQ(ctl({"service", "stop"}), "0 Service VoxwarpSrv is stopped.\n");
    EXPECT_EQ(ctl({"service", "uninstall"}), "0 Service VoxwarpSrv has been uninstalled.\n");
    EXPECT_EQ(ctl({"service", "status"}), "0 VoxwarpSrv: not installed\n");
}

} // namespace
