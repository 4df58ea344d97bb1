// CPNApp: the control panel's start-up. It enters the program folder, starts the texts and the
// log, checks that "Voxwarp Microphone" exists, makes sure only one control panel runs (a
// second start brings the first one's window to the front), runs the setup wizard on first
// use, installs and starts the voice server, and then runs the main window until Exit.
#pragma once

#include <functional>
#include <string>

class AppConfig;

// The name of the mutex that the running control panel holds.
constexpr const char* kAppMutexName = "ParlanoAppMutex";
// The event a second start sets to bring the running control panel's window to the front.
constexpr const char* kAppRaiseEventName = "ParlanoAppRaise";

// What start-up reaches outside itself; tests replace parts of it.
struct StartupEnv {
    // Empty: the program folder of this process.
    std::string programFolder;
    // Whether the playback device "Voxwarp Microphone" exists; null: the sound system's list.
    std::function<bool()> virtualCardPresent;
    std::function<bool()> selectDefaultDevices;
    // Runs the wizard and stores its answers; null: the setup wizard.
    std::function<bool(AppConfig&)> completeWizard;
    std::function<bool(AppConfig&)> installServer;
    std::function<bool()> runServer;
    // Runs the main window to its end; raiseRequested tells when another start asks for it.
    // Null: the main window.
    std::function<void(AppConfig&, std::function<bool()> raiseRequested)> runMainWindow;
};

// The steps of start-up, in order: the last one reached by a run.
enum class StartupEnd {
    NoFolder,         // the program folder could not be entered
    NoVirtualCard,    // text 157 was shown
    MutexFailed,      // text 158 was shown
    AlreadyRunning,   // text 159 was shown and the running window asked to come forward
    WizardCancelled,  // the wizard was cancelled or found no device
    ServerNotReady,   // the voice server could not be installed or started
    MainWindowClosed, // the main window ran and was closed
};

// The whole start-up; returns where it ended. GUI thread, with the application made.
StartupEnd InitInstance(const StartupEnv& env = {});
