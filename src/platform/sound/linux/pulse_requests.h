// The process's connection for short requests to the sound server (the device model and the
// virtual microphone), and the requests themselves. Every query runs with the connection's lock
// held and waits at most the connection's time-out.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sound/linux/pulse_connection.h"
#include "platform/sound/sound_system.h"

namespace platform {

// One sink or source as the server reports it.
struct PulseDevice {
    std::uint32_t index = PA_INVALID_INDEX;
    std::string name;
    std::string description;
    std::uint32_t ownerModule = PA_INVALID_INDEX;
    bool isMonitor = false;        // sources: the monitor of a sink
    std::string monitorSourceName; // sinks: the name of their monitor source
    std::vector<SoundPortInfo> ports;
    std::string activePort;
    pa_cvolume volume{};
    int state = 0; // pa_sink_state_t or pa_source_state_t
};

struct PulseServerInfo {
    std::string serverName; // "pulseaudio", "PulseAudio (on PipeWire 1.0.5)"
    std::string defaultSink;
    std::string defaultSource;
};

// Serialises the callers of one shared connection and reconnects it when the server went away.
class PulseRequests {
public:
    // The one shared by the device model and the virtual microphone of this process.
    static PulseRequests& Shared();

    // Runs request with the lock held on a ready connection. When it fails because the
    // connection had died (the server restarted), connects again and runs it once more. False
    // when the server cannot be reached or the request failed; the reason goes to error.
    bool Run(const std::function<bool(PulseConnection&)>& request, std::string& error);

private:
    bool EnsureConnected(std::string& error);

    std::mutex mutex_;
    PulseConnection connection_;
};

// The requests; each is called with the connection's lock held once.
bool QuerySinks(PulseConnection& connection, std::vector<PulseDevice>& sinks);
// All sources, monitors included, in the server's index order.
bool QuerySources(PulseConnection& connection, std::vector<PulseDevice>& sources);
bool QueryServerInfo(PulseConnection& connection, PulseServerInfo& info);
// Number of recording streams connected to the source.
bool CountSourceOutputs(PulseConnection& connection, std::uint32_t sourceIndex,
                        std::uint32_t& count);
bool QueryModuleName(PulseConnection& connection, std::uint32_t moduleIndex, std::string& name);
bool LoadModule(PulseConnection& connection, const std::string& name, const std::string& arguments,
                std::uint32_t& moduleIndex);
bool UnloadModule(PulseConnection& connection, std::uint32_t moduleIndex);
// Starts a request whose answer is a success flag (set default, set volume, ...) through start,
// which passes the given callback and user data to libpulse, and waits for it: true only when
// the server reported success.
bool RequestSucceeds(PulseConnection& connection,
                     const std::function<pa_operation*(pa_context_success_cb_t, void*)>& start);

} // namespace platform
