#include "service.h"

#include <chrono>
#include <thread>

#include "audio/sound_devices.h"
#include "base/mlog.h"
#include "base/strtable.h"
#include "ipc/pnipc_srv.h"
#include "platform/kobjects.h"
#include "platform/service_manager.h"
#include "platform/sound/sound_server.h"
#include "service/service_control.h"

MyVoiceService::MyVoiceService(AudioBackend& backend)
    : CNTService(kVoxwarpServiceName, kVoxwarpServiceDisplayName, kVoxwarpServiceDescription),
      server_(backend) {
    // The service manager hears "running" only once the voice server runs.
    SetReadyFromRun(true);
    server_.SetVirtualCardLoader(&LoadMissingVirtualCard);
    stopEvent_ = platform::NamedEvent::Create(kServiceStopEventName, false, false);
    if (!stopEvent_)
        LogError("Create stop event \"%s\"", kServiceStopEventName);
}

MyVoiceService::~MyVoiceService() = default;

void MyVoiceService::Uninstall() {
    MoveDefaultRecordingOffVirtualCard();
    CNTService::Uninstall();
}

int MyVoiceService::RunForeground(const std::vector<std::string>&) {
    // The console control handler: any stop signal sets the stop event.
    platform::StopSignalWatcher console(platform::StopSignals::Console, [] {
        if (auto stop = platform::NamedEvent::Open(kServiceStopEventName))
            stop->Set();
    });
    Run();
    return 1;
}

void MyVoiceService::Run() {
    const char* method = "MyVoiceService::Run";
    LogScope scope(method);
    try {
        RunSecure();
    } catch (const std::exception& e) {
        LogException("%s", e.what());
    } catch (...) {
        LogException("Unhandled exeption in %s", method);
    }
}

void MyVoiceService::OnStop() {
    if (stopEvent_)
        stopEvent_->Set();
    while (working_.load() != 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(kCommandPauseMs));
}

void LoadMissingVirtualCard() {
    platform::VirtualCardStatus status;
    std::string error;
    if (platform::QueryVirtualCard(status, error) && status.playbackSide && status.captureSide)
        return;
    if (platform::InstallVirtualCard(false, error))
        LogPlain("Virtual sound card \"%s\" loaded into the sound server.", kVirtualCardName);
    else
        LogWarning("Virtual sound card \"%s\" could not be loaded: %s", kVirtualCardName,
                   error.c_str());
}

void MyVoiceService::RunSecure() {
    const char* method = "MyVoiceService::RunSecure";
    LogScope scope(method);
    working_.store(1);
    LoadMissingVirtualCard();
    LogSoundDevices();
    if (!SelectDefSndc())
        LogError("Error of select default soundcard");
    AppConfig config;
    config.ReadSys();
    StartStrings(config.langFile, config.langsPath);

    if (!ipc_.Create(kServerMaxPayload)) {
        LogError("%s", "Error of create ipc connection");
        SetExitCode(1);
    } else if (!server_.ServerRun()) {
        LogError("%s", "Error of run server");
        SetExitCode(1);
    } else if (!state_.ProgrammStart()) {
        LogError("%s", "Error start program state observer");
        SetExitCode(1);
    } else {
        ReportRunning();
        platform::NamedEvent* request = ipc_.RequestEvent();
        while (stopEvent_ && request) {
            platform::WaitResult woke =
                platform::WaitForObjects({stopEvent_.get(), request}, platform::kWaitInfinite);
            if (woke.status != platform::WaitStatus::Signalled || woke.index == 0)
                break;
            ipc_.Dispatch(ServerCommandTable(), server_);
            std::this_thread::sleep_for(std::chrono::milliseconds(kCommandPauseMs));
        }
    }

    server_.ServerStop();
    ipc_.Close();
    state_.ProgrammStop();
    EndStrings();
    working_.store(0);
}
