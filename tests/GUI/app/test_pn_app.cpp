// Start-up with its outside steps replaced: where it stops, what it shows, and that a second
// start leaves the running control panel alone but asks for its window.
#include <gtest/gtest.h>

#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/pn_app.h"
#include "common/message_box.h"
#include "config/config.h"
#include "platform/kobjects.h"
#include "program_dir.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        cwd_ = cwd;
        AppConfig config(folder_.Path());
        config.wizard = true;
        config.langFile = testsupport::ProgramDir() + "lang/voxwarp_en.glo";
        config.langsPath = testsupport::ProgramDir() + "lang/";
        ASSERT_TRUE(config.Save());
        SetMessageHandler([this](const ShownMessage& message) {
            shown_.push_back(message.text);
            return MessageAnswer::Ok;
        });
        env_.programFolder = folder_.Path();
        env_.virtualCardPresent = [] { return true; };
        env_.selectDefaultDevices = [] { return true; };
        env_.completeWizard = [this](AppConfig&) {
            steps_.push_back("wizard");
            return false; // cancelled
        };
        env_.installServer = [this](AppConfig&) {
            steps_.push_back("install");
            return true;
        };
        env_.runServer = [this] {
            steps_.push_back("run");
            return true;
        };
        env_.runMainWindow = [this](AppConfig&, std::function<bool()>) {
            steps_.push_back("window");
        };
    }
    void TearDown() override {
        SetMessageHandler({});
        ASSERT_EQ(chdir(cwd_.c_str()), 0);
    }

    testsupport::TempDir folder_;
    std::string cwd_;
    StartupEnv env_;
    std::vector<std::string> steps_;
    std::vector<std::string> shown_;
};

using Steps = std::vector<std::string>;

TEST_F(Startup, RunsTheServerThenTheWindowAndSkipsACompletedWizard) {
    env_.selectDefaultDevices = [] { return false; }; // a notice, and start-up goes on
    EXPECT_EQ(InitInstance(env_), StartupEnd::MainWindowClosed);
    EXPECT_EQ(steps_, Steps({"install", "run", "window"}));
    EXPECT_EQ(shown_, std::vector<std::string>({"Could not select default sound device."}));
}

TEST_F(Startup, ACancelledWizardEndsAndRunsAgainNextTime) {
    AppConfig config(folder_.Path());
    config.Load();
    config.wizard = false;
    ASSERT_TRUE(config.WriteSys());
    EXPECT_EQ(InitInstance(env_), StartupEnd::WizardCancelled);
    EXPECT_EQ(InitInstance(env_), StartupEnd::WizardCancelled);
    EXPECT_EQ(steps_, Steps({"wizard", "wizard"}));
}

TEST_F(Startup, StopsBeforeAnyWindowWithoutTheVirtualMicrophoneOrTheServer) {
    env_.virtualCardPresent = [] { return false; };
    EXPECT_EQ(InitInstance(env_), StartupEnd::NoVirtualCard);
    EXPECT_EQ(shown_,
              std::vector<std::string>({"Virtual sound card driver \"Voxwarp Microphone\" not "
                                        "found."}));
    env_.virtualCardPresent = [] { return true; };
    env_.runServer = [] { return false; };
    EXPECT_EQ(InitInstance(env_), StartupEnd::ServerNotReady);
    EXPECT_EQ(steps_, Steps({"install"}));
}

TEST_F(Startup, ASecondStartAsksTheRunningOneForItsWindow) {
    // The running control panel: a thread that holds the mutex and watches the raise event.
    std::mutex lock;
    std::condition_variable changed;
    bool holding = false;
    bool done = false;
    bool raised = false;
    std::thread running([&] {
        auto mutex = platform::NamedMutex::Create(kAppMutexName, true);
        auto raise = platform::NamedEvent::Create(kAppRaiseEventName, false, false);
        {
            std::lock_guard<std::mutex> hold(lock);
            holding = true;
        }
        changed.notify_all();
        raised = platform::WaitForObject(*raise, 5000).status == platform::WaitStatus::Signalled;
        std::unique_lock<std::mutex> wait(lock);
        changed.wait(wait, [&] { return done; });
        // The thread ends holding the mutex, as a control panel that crashed would.
    });
    {
        std::unique_lock<std::mutex> wait(lock);
        changed.wait(wait, [&] { return holding; });
    }
    EXPECT_EQ(InitInstance(env_), StartupEnd::AlreadyRunning);
    {
        std::lock_guard<std::mutex> hold(lock);
        done = true;
    }
    changed.notify_all();
    running.join();
    EXPECT_TRUE(raised);
    EXPECT_TRUE(steps_.empty());
    EXPECT_EQ(shown_, std::vector<std::string>({"Voxwarp is already running."}));

    // The mutex of a control panel that ended without releasing it is taken over.
    EXPECT_EQ(InitInstance(env_), StartupEnd::MainWindowClosed);
}

} // namespace
