// The service frame: verbs, install with arguments, a stop request while Run sleeps, the status
// reports to a service manager's notification socket, and the unit file in systemd's quoting.
#include <chrono>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "base/mlog.h"
#include "child_process.h"
#include "platform/linux/service_manager_linux.h"
#include "platform/service_manager.h"
#include "service_test_env.h"

using namespace servicetest;

VOXWARP_TEST_CHILD(svc_server) {
    if (const char* log = std::getenv("SERVICE_TEST_LOG"))
        LogInit(log, false, false, false, false, false);
    TestService service;
    std::vector<std::string> argv{"server"};
    argv.insert(argv.end(), args.begin(), args.end());
    service.ParseArgs(argv);
    return service.RunCommand(argv) == 1 ? 0 : 1;
}

namespace {

using Command = CNTService::Command;

// Waits until the pid file names pid in the running state.
bool WaitRunning(const std::string& pidFile, pid_t pid) {
    for (int i = 0; i < 500; ++i) {
        if (testsupport::ReadFile(pidFile) == std::to_string(pid) + "\n4\n")
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TEST_F(ServiceTest, VerbsIgnoreCaseAndAnythingElseRunsAsService) {
    const std::pair<std::vector<std::string>, Command> cases[] = {
        {{"server"}, Command::Service},
        {{"server", "INSTALL"}, Command::Install},
        {{"server", "UnInstall"}, Command::Uninstall},
        {{"server", "-F"}, Command::Foreground},
        {{"server", "Start"}, Command::Start},
        {{"server", "STOP"}, Command::Stop},
        {{"server", "version"}, Command::Version},
        {{"server", "bogus"}, Command::Service},
    };
    for (const auto& [args, command] : cases) {
        TestService service;
        service.ParseArgs(args);
        EXPECT_EQ(service.ParsedCommand(), command) << args.back();
    }
}

TEST_F(ServiceTest, InstallStoresQuotedArgumentsAndRefusesTwice) {
    const std::vector<std::string> extra{"plain", "with blank", "100% $HOME \"q\" back\\slash"};
    // The sound server and the kernel objects of this session are the service's too.
    Set("PULSE_SERVER", "unix:/run/a b/native");
    Set("VOXWARP_KOBJECT_NAMESPACE", "voxwarp-test");
    std::string printed;
    ASSERT_EQ(InstallTestService(extra, &printed), 1);
    EXPECT_EQ(printed, "Service VoxwarpSrv has been successfully installed.\n");

    std::string unit = testsupport::ReadFile(UnitFile());
    EXPECT_NE(unit.find("\nType=notify\n"), std::string::npos) << unit;
    EXPECT_NE(unit.find("\nEnvironment=\"PULSE_SERVER=unix:/run/a b/native\"\n"
                        "Environment=VOXWARP_KOBJECT_NAMESPACE=voxwarp-test\n"),
              std::string::npos)
        << unit;
    EXPECT_NE(unit.find("\nDescription=Capturing sound from microphone and sending to loopback "
                        "adapter\n"),
              std::string::npos);
    EXPECT_NE(unit.find(" " + std::string(kServerChild) +
                        " plain \"with blank\" \"100%% $$HOME \\\"q\\\" back\\\\slash\"\n"),
              std::string::npos)
        << unit;
    // What is read back is what was given.
    std::vector<std::string> command;
    ASSERT_TRUE(platform::QueryServiceCommand(kVoxwarpServiceName, command).Ok());
    std::vector<std::string> expected{platform::ExecutablePath(), kServerChild};
    expected.insert(expected.end(), extra.begin(), extra.end());
    EXPECT_EQ(command, expected);

    EXPECT_EQ(InstallTestService({}, &printed), 0);
    EXPECT_EQ(printed, "Service VoxwarpSrv is already installed.\n");

    TestService service;
    std::ostringstream out;
    service.SetConsole(out);
    for (const char* verb : {"version", "uninstall", "uninstall", "version"}) {
        service.ParseArgs({"server", verb});
        service.RunCommand({"server", verb});
    }
    EXPECT_EQ(out.str(), "VoxwarpSrv Version 1.0\nService is installed.\n"
                         "Service VoxwarpSrv has been successfully uninstalled.\n"
                         "Service VoxwarpSrv is not installed.\n"
                         "VoxwarpSrv Version 1.0\nService is not installed.\n");
}

TEST_F(ServiceTest, StopRequestEndsTheDefaultRunWithinItsSleep) {
    Set("SERVICE_TEST_LOG", dir_.File("server.log"));
    pid_t pid = testsupport::SpawnChild("svc_server");
    ASSERT_TRUE(WaitRunning(PidFile(), pid));
    kill(pid, SIGTERM);
    EXPECT_EQ(testsupport::WaitChild(pid, CNTService::kRunSleepMs + 2000), 0);
    EXPECT_EQ(access(PidFile().c_str(), F_OK), -1);

    std::string log = testsupport::ReadFile(dir_.File("server.log"));
    // The trace of a service's life, in order; the stop may come before Run begins.
    const char* lines[] = {"Entering CNTService::ServiceMain()", "CNTService::Handler(1)",
                           "Leaving CNTService::Run()", "Leaving CNTService::ServiceMain()"};
    std::size_t at = 0;
    for (const char* line : lines) {
        at = log.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << "\n" << log;
    }
    for (const char* line : {"Entering CNTService::Run()", "CNTService::OnStop()"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    EXPECT_NE(log.find("[VoxwarpSrv]("), std::string::npos);
}

TEST_F(ServiceTest, ServiceManagerHearsReadyAndStopping) {
    const std::string abstractName = "voxwarp-service-test-" + std::to_string(getpid());
    for (const std::string& address : {dir_.File("notify.sock"), "@" + abstractName}) {
        int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un sa{};
        sa.sun_family = AF_UNIX;
        socklen_t length = sizeof sa;
        if (address[0] == '@') {
            std::memcpy(sa.sun_path + 1, abstractName.data(), abstractName.size());
            length =
                static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + abstractName.size());
        } else {
            std::memcpy(sa.sun_path, address.c_str(), address.size() + 1);
        }
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&sa), length), 0) << address;
        timeval timeout{10, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

        Set("NOTIFY_SOCKET", address);
        pid_t pid = testsupport::SpawnChild("svc_server");
        Set("NOTIFY_SOCKET", std::nullopt);
        char buffer[64] = {};
        ssize_t n = recv(fd, buffer, sizeof buffer - 1, 0);
        EXPECT_EQ(std::string(buffer, n > 0 ? n : 0), "READY=1") << address;
        EXPECT_EQ(access(PidFile().c_str(), F_OK), -1) << "no pid file under a manager";
        kill(pid, SIGTERM);
        n = recv(fd, buffer, sizeof buffer - 1, 0);
        EXPECT_EQ(std::string(buffer, n > 0 ? n : 0), "STOPPING=1") << address;
        EXPECT_EQ(testsupport::WaitChild(pid, 10000), 0);
        close(fd);
    }
}

namespace unit = platform::servicelinux;

// The ExecStart line of a rendered unit, without its key.
std::string ExecStartOf(const std::string& text) {
    std::size_t at = text.find("\nExecStart=");
    return at == std::string::npos ? "" : text.substr(at + 11, text.find('\n', at + 1) - at - 11);
}

TEST(ServiceUnit, ExecStartKeepsDollarInTheProgramPathAndReadsBackWhatWasWritten) {
    // systemd expands no variables in the executable path (so "$$" would stay "$$" there) but
    // does in the arguments; '%' is a specifier everywhere.
    const std::pair<std::string, std::string> cases[] = {
        {"/opt/my $HOME app/VoxwarpServer", R"("/opt/my $HOME app/VoxwarpServer")"},
        {"/opt/100%/VoxwarpServer", "/opt/100%%/VoxwarpServer"},
        {"/opt/it's \"q\"/VoxwarpServer", R"("/opt/it's \"q\"/VoxwarpServer")"},
        {"/opt/caf\xc3\xa9;/VoxwarpServer", "\"/opt/caf\xc3\xa9;/VoxwarpServer\""},
        {"/opt/\xff/VoxwarpServer", R"("/opt/\xff/VoxwarpServer")"},
    };
    for (const auto& [program, written] : cases) {
        platform::ServiceDefinition definition{
            "VoxwarpSrv", "D", "d", program, {"$HOME", "50% $$", "a\\b", ""}};
        std::string text = unit::RenderUnit(definition, {});
        EXPECT_EQ(ExecStartOf(text), written + R"( $$HOME "50%% $$$$" a\\b "")") << text;
        std::vector<std::string> words;
        ASSERT_TRUE(unit::ParseExecStart(text, words)) << text;
        std::vector<std::string> expected{program};
        expected.insert(expected.end(), definition.arguments.begin(), definition.arguments.end());
        EXPECT_EQ(words, expected);
    }
    // A unit written by hand reads as systemd reads it.
    std::vector<std::string> words;
    ASSERT_TRUE(unit::ParseExecStart("[Service]\nExecStart=-/a$$b%%c 'x$$y' \"%%\"\n", words));
    EXPECT_EQ(words, (std::vector<std::string>{"/a$$b%c", "x$y", "%"}));
    EXPECT_FALSE(unit::ParseExecStart("[Service]\nExecStart=/a \"b\n", words));
}

TEST(ServiceUnit, PassesTheEnvironmentAndWaitsAsLongAsTheFallback) {
    platform::ServiceDefinition definition{"VoxwarpSrv", "D", "d", "/opt/VoxwarpServer", {}};
    std::string text =
        unit::RenderUnit(definition, {{"VOXWARP_HOME", "/home/me/my $x 5%"},
                                      {"PULSE_SERVER", "unix:/run/user/1000/pulse/native"}});
    EXPECT_NE(text.find("\nEnvironment=\"VOXWARP_HOME=/home/me/my $x 5%%\"\n"
                        "Environment=PULSE_SERVER=unix:/run/user/1000/pulse/native\n"),
              std::string::npos)
        << text;
    const std::string wait = std::to_string(platform::kServiceWaitMs) + "ms\n";
    EXPECT_NE(text.find("\nTimeoutStartSec=" + wait), std::string::npos) << text;
    EXPECT_NE(text.find("\nTimeoutStopSec=" + wait), std::string::npos) << text;
}

TEST(ServiceUnit, RefusesWhatSystemdCannotTake) {
    for (const char* path : {"/opt/back\\slash/VoxwarpServer", "/opt/tab\t/VoxwarpServer",
                             "/opt/new\nline/VoxwarpServer"})
        EXPECT_NE(unit::ProgramPathProblem(path), "") << path;
    for (const char* path : {"/opt/my $x 100% \"'q;/VoxwarpServer", "/opt/caf\xc3\xa9/V"})
        EXPECT_EQ(unit::ProgramPathProblem(path), "") << path;
    EXPECT_NE(unit::EnvironmentProblem("PULSE_SERVER", "a\tb"), "");
    EXPECT_NE(unit::EnvironmentProblem("PULSE_SERVER", "a\xff"), "");
    EXPECT_NE(unit::EnvironmentProblem("PULSE_SERVER", "\xc3\x28"), "");
    EXPECT_EQ(unit::EnvironmentProblem("PULSE_SERVER", "unix:/caf\xc3\xa9 $x%/native"), "");
}

} // namespace
