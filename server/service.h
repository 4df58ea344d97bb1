// The voice server program as a service: MyVoiceService owns the voice server, the control
// channel to the control panel and the program state that tells the control panel whether the
// server runs. Its service thread brings them up in order, serves commands until a stop is
// requested, and takes them down again.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "ipc/ipc.h"
#include "ipc/progstate.h"
#include "server.h"
#include "service/ntservice.h"

class AudioBackend;
namespace platform {
class NamedEvent;
}

// The stop event (a name of this user's session, not a global one).
constexpr const char* kServiceStopEventName = "PNS_Stop";
// Largest command payload of the control channel.
constexpr std::uint32_t kServerMaxPayload = 102400;
// Pause after each served command.
constexpr int kCommandPauseMs = 150;

class MyVoiceService : public CNTService {
public:
    // Plays and records through backend (the sound server's, or the tests' memory back end),
    // which must outlive the service.
    explicit MyVoiceService(AudioBackend& backend);
    ~MyVoiceService() override;

    // Moves the default recording device off the virtual microphone, then removes the service.
    void Uninstall() override;
    // Runs in the foreground until Ctrl+C, the terminal closing or SIGTERM.
    int RunForeground(const std::vector<std::string>& args) override;
    void Run() override;
    // Sets the stop event and waits until the service thread has cleaned up.
    void OnStop() override;

    VoiceServer& Server() { return server_; }
    bool Working() const { return working_.load() != 0; }

private:
    void RunSecure();

    ProgrammState state_;
    VoiceServer server_;
    IPC ipc_;
    std::unique_ptr<platform::NamedEvent> stopEvent_;
    std::atomic<int> working_{0};
};

// Loads the virtual microphone into the sound server when it is missing there (a sound server
// started without the user's configuration, or restarted since).
void LoadMissingVirtualCard();
