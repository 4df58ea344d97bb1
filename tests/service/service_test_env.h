// The setting of the service tests: a private home, unit folder and runtime folder (so nothing
// of the user's is touched and no service manager is reached), and the test binary as the
// service program.
#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

#include "base/strtable.h"
#include "platform/paths.h"
#include "service/ntservice.h"
#include "service/service_control.h"
#include "temp_dir.h"

namespace servicetest {

// The child that runs the test service; its log goes to $SERVICE_TEST_LOG when set.
constexpr const char* kServerChild = "--voxwarp-child=svc_server";

// A service whose program is this test binary started as the child svc_server.
class TestService : public CNTService {
public:
    TestService()
        : CNTService(kVoxwarpServiceName, kVoxwarpServiceDisplayName, kVoxwarpServiceDescription) {
        SetProgramCommand(platform::ExecutablePath(), {kServerChild});
    }
    int RunForeground(const std::vector<std::string>&) override { return 1; }
};

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        mkdir(dir_.File("run").c_str(), 0700);
        Set("HOME", dir_.File("home"));
        Set("XDG_CONFIG_HOME", dir_.File("config"));
        Set("XDG_RUNTIME_DIR", dir_.File("run"));
        Set("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
        Set("NOTIFY_SOCKET", std::nullopt);
        Set("VOXWARP_HOME", std::nullopt);
        Set("SERVICE_TEST_LOG", std::nullopt);
        for (unsigned id : {120u, 141u, 168u, 169u, 170u, 175u, 176u, 177u, 178u, 179u, 180u, 181u,
                            182u, 183u, 184u})
            AppStrings().Load(id);
    }
    void TearDown() override {
        NtServiceUninstall(kVoxwarpServiceName); // stops a service that a failed test left
        for (auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

    // Sets (or with nullopt removes) an environment variable until the test ends.
    void Set(const std::string& name, const std::optional<std::string>& value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }

    std::string UnitFile() const {
        return dir_.File("config/systemd/user/") + kVoxwarpServiceName + ".service";
    }
    std::string PidFile() const { return dir_.File("run/voxwarp/") + kVoxwarpServiceName + ".pid"; }
    // Installs the test service with extra arguments through the "install" verb.
    int InstallTestService(std::vector<std::string> extra = {}, std::string* printed = nullptr) {
        TestService service;
        std::ostringstream out;
        service.SetConsole(out);
        std::vector<std::string> args{"server", "install"};
        args.insert(args.end(), extra.begin(), extra.end());
        service.ParseArgs(args);
        int result = service.RunCommand(args);
        if (printed)
            *printed = out.str();
        return result;
    }

    testsupport::TempDir dir_;

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

} // namespace servicetest
