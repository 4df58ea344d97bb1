// The device model outlives a sound server restart: a second private daemon of this test is
// stopped and started again under a child process that keeps using the model.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "child_process.h"
#include "platform/sound/linux/pulse_connection.h"
#include "platform/sound/sound_server.h"
#include "pulse_test_util.h"
#include "temp_dir.h"

namespace {

// The daemon's environment: its own runtime and configuration folders, its own socket.
std::string DaemonEnv(const std::string& dir) {
    return "XDG_RUNTIME_DIR=" + pulsetest::ShellQuoted(dir + "runtime") +
           " XDG_CONFIG_HOME=" + pulsetest::ShellQuoted(dir + "config") +
           " PULSE_SERVER=" + pulsetest::ShellQuoted("unix:" + dir + "native") + " ";
}

bool DaemonAnswers(const std::string& dir) {
    return std::system((DaemonEnv(dir) + "timeout 5 pactl info >/dev/null 2>&1").c_str()) == 0;
}

bool StartDaemon(const std::string& dir) {
    mkdir((dir + "runtime").c_str(), 0700);
    mkdir((dir + "config").c_str(), 0700);
    std::ofstream(dir + "server.pa") << "load-module module-native-protocol-unix socket=" << dir
                                     << "native auth-anonymous=1\n"
                                        "load-module module-null-sink sink_name=restart_probe\n";
    std::string command = DaemonEnv(dir) + "pulseaudio -n -F " +
                          pulsetest::ShellQuoted(dir + "server.pa") +
                          " --daemonize=yes --exit-idle-time=-1 --use-pid-file=yes --system=no"
                          " --realtime=no --high-priority=no --log-target=" +
                          pulsetest::ShellQuoted("file:" + dir + "pulseaudio.log");
    if (std::system(command.c_str()) != 0) {
        return false;
    }
    for (int i = 0; i < 100; ++i) {
        if (DaemonAnswers(dir)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

void StopDaemon(const std::string& dir) {
    std::ifstream pidFile(dir + "runtime/pulse/pid");
    pid_t pid = 0;
    if (!(pidFile >> pid) || pid <= 0) {
        return;
    }
    kill(pid, SIGTERM);
    for (int i = 0; i < 100 && kill(pid, 0) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
}

bool ListsProbe() {
    std::vector<SoundDeviceInfo> devices;
    if (!platform::SoundServerSystem().ListDevices(SoundDirection::Playback, devices)) {
        return false;
    }
    return devices.size() == 1 && devices[0].id == "restart_probe";
}

VOXWARP_TEST_CHILD(PulseRestart) {
    const std::string& dir = args.at(0);
    setenv("PULSE_SERVER", ("unix:" + dir + "native").c_str(), 1);
    if (!ListsProbe()) {
        return 2;
    }
    // Restarted between two calls: the next call reconnects by itself.
    StopDaemon(dir);
    if (!StartDaemon(dir)) {
        return 3;
    }
    if (!ListsProbe()) {
        return 4;
    }
    // Gone: calls fail; back again: they work again.
    StopDaemon(dir);
    if (ListsProbe()) {
        return 5;
    }
    if (!StartDaemon(dir) || !ListsProbe()) {
        return 6;
    }
    return 0;
}

TEST(SoundServerRestart, DeviceModelReconnects) {
    testsupport::TempDir dir;
    ASSERT_TRUE(StartDaemon(dir.Path())) << testsupport::ReadFile(dir.File("pulseaudio.log"));
    pid_t child = testsupport::SpawnChild("PulseRestart", {dir.Path()});
    EXPECT_EQ(testsupport::WaitChild(child, 60000), 0)
        << testsupport::ReadFile(dir.File("pulseaudio.log"));
    StopDaemon(dir.Path());
}

// A socket that takes connections but never answers: connecting gives up after its time-out.
TEST(PulseConnectionTimeout, SilentServerIsGivenUp) {
    testsupport::TempDir dir;
    int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string path = dir.File("silent");
    ASSERT_LT(path.size(), sizeof address.sun_path);
    path.copy(address.sun_path, path.size());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);

    pulsetest::ScopedEnv server("PULSE_SERVER", "unix:" + path);
    platform::PulseConnection connection;
    std::string error;
    EXPECT_FALSE(connection.Connect("test", error, 300));
    EXPECT_NE(error.find("did not answer"), std::string::npos) << error;
    EXPECT_FALSE(connection.IsReady());
    EXPECT_EQ(connection.Context(), nullptr);
    close(listener);
}

} // namespace
