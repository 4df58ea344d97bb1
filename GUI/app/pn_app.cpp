#include "app/pn_app.h"

#include <memory>

#include "audio/sound_devices.h"
#include "base/mlog.h"
#include "base/strtable.h"
#include "common/command_start.h"
#include "common/message_box.h"
#include "common/ui_text.h"
#include "config/config.h"
#include "mainwindow/parlano_dlg.h"
#include "platform/kobjects.h"
#include "platform/sound/sound_server.h"
#include "service/service_control.h"
#include "wizard/wizard.h"

namespace {

constexpr unsigned kTextVirtualCardMissing = 157;
constexpr unsigned kTextInitError = 158;
constexpr unsigned kTextAlreadyRunning = 159;
constexpr unsigned kTextNoDefaultDevice = 160;

bool VirtualCardPresent() {
    LogNote("check virtual sound card driver...");
    int device = -2;
    return PaGetDevNByName(AppConfig::kVirtualDeviceName, kLookupPlayback, device) == kMmeSuccess &&
           device >= 0;
}

void RunMainWindow(AppConfig& config, std::function<bool()> raiseRequested) {
    MainWindowEnv env;
    env.raiseRequested = std::move(raiseRequested);
    CParlanoDlg dialog(config, std::move(env));
    if (dialog.Init())
        dialog.Exec();
}

// The single-instance mutex, held by this thread while the control panel runs. A mutex left
// behind by a control panel that crashed is taken over.
enum class InstanceCheck { Held, AlreadyRunning, Failed };
InstanceCheck TakeInstanceMutex(std::unique_ptr<platform::NamedMutex>& mutex) {
    bool existed = false;
    mutex = platform::NamedMutex::Create(kAppMutexName, true, &existed);
    if (mutex == nullptr)
        return InstanceCheck::Failed;
    if (!existed)
        return InstanceCheck::Held;
    const platform::WaitResult taken = platform::WaitForObject(*mutex, 0);
    if (taken.status == platform::WaitStatus::Signalled ||
        taken.status == platform::WaitStatus::Abandoned)
        return InstanceCheck::Held;
    mutex.reset();
    return InstanceCheck::AlreadyRunning;
}

} // namespace

StartupEnd InitInstance(const StartupEnv& env) {
    LogNote("CPNApp::InitInstance");
    std::string folder;
    if (!StartCommandSession(env.programFolder, folder))
        return StartupEnd::NoFolder;
    AppConfig config(folder);
    config.Load();
    // A language file that cannot be used leaves the built-in English texts (logged): the
    // control panel still starts and can show its messages.
    StartStrings(config.langFile, config.langsPath);
    struct StringsEnd {
        ~StringsEnd() { EndStrings(); }
    } stringsEnd;

    LogProgramAndDevices();

    if (!(env.virtualCardPresent ? env.virtualCardPresent() : VirtualCardPresent())) {
        ShowMessage(nullptr, UiFormat(kTextVirtualCardMissing, AppConfig::kVirtualDeviceName),
                    MessageIcon::Error);
        return StartupEnd::NoVirtualCard;
    }
    if (!(env.selectDefaultDevices ? env.selectDefaultDevices() : SelectDefSndc()))
        ShowMessage(nullptr, LoadStr(kTextNoDefaultDevice), MessageIcon::Information);

    std::unique_ptr<platform::NamedMutex> instance;
    switch (TakeInstanceMutex(instance)) {
    case InstanceCheck::Failed:
        ShowMessage(nullptr, LoadStr(kTextInitError), MessageIcon::Information);
        return StartupEnd::MutexFailed;
    case InstanceCheck::AlreadyRunning:
        if (auto raise = platform::NamedEvent::Open(kAppRaiseEventName))
            raise->Set();
        ShowMessage(nullptr, LoadStr(kTextAlreadyRunning), MessageIcon::Information);
        return StartupEnd::AlreadyRunning;
    case InstanceCheck::Held:
        break;
    }
    struct MutexRelease {
        platform::NamedMutex& mutex;
        ~MutexRelease() { mutex.Release(); }
    } release{*instance};
    auto raise = platform::NamedEvent::Create(kAppRaiseEventName, false, false);
    if (raise != nullptr)
        raise->Reset(); // a request left from before this start is not one for us

    LogNote("wizard pages...");
    config.Load();
    if (!config.wizard &&
        !(env.completeWizard ? env.completeWizard(config) : CompleteWizard(config)))
        return StartupEnd::WizardCancelled;
    if (!(env.installServer ? env.installServer(config)
                            : InstallServer(config, DefaultServerCommand())))
        return StartupEnd::ServerNotReady;
    if (!(env.runServer ? env.runServer() : RunServer()))
        return StartupEnd::ServerNotReady;

    LogNote("Show main dialog...");
    auto raiseRequested = [event = raise.get()] {
        return event != nullptr &&
               platform::WaitForObject(*event, 0).status == platform::WaitStatus::Signalled;
    };
    if (env.runMainWindow)
        env.runMainWindow(config, raiseRequested);
    else
        RunMainWindow(config, raiseRequested);
    return StartupEnd::MainWindowClosed;
}
