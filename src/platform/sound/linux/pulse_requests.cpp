#include "platform/sound/linux/pulse_requests.h"

#include <algorithm>

namespace platform {
namespace {

constexpr const char* kClientName = "Voxwarp";

std::string Text(const char* text) {
    return text != nullptr ? text : "";
}

// The description users see: the device's own, else the property, else its name.
std::string DescriptionOf(const char* description, pa_proplist* properties,
                          const std::string& name) {
    if (description != nullptr && *description != '\0') {
        return description;
    }
    if (properties != nullptr) {
        if (const char* text = pa_proplist_gets(properties, PA_PROP_DEVICE_DESCRIPTION)) {
            return text;
        }
    }
    return name;
}

template <typename PortInfo>
void CopyPorts(PortInfo** ports, std::uint32_t count, PortInfo* active, PulseDevice& device) {
    for (std::uint32_t i = 0; ports != nullptr && i < count; ++i) {
        if (ports[i] != nullptr) {
            device.ports.push_back({Text(ports[i]->name), Text(ports[i]->description)});
        }
    }
    device.activePort = active != nullptr ? Text(active->name) : "";
}

// What a list callback fills: the devices so far and whether the server reported an error.
struct ListResult {
    std::vector<PulseDevice>* devices;
    bool failed = false;
};

// What sinks and sources have in common; a source also says whether it is a monitor.
template <typename Info>
PulseDevice DeviceOf(const Info& info) {
    PulseDevice device;
    device.index = info.index;
    device.name = Text(info.name);
    device.description = DescriptionOf(info.description, info.proplist, device.name);
    device.ownerModule = info.owner_module;
    CopyPorts(info.ports, info.n_ports, info.active_port, device);
    device.volume = info.volume;
    device.state = info.state;
    return device;
}

// Collects one answer of a device listing: true when the listing goes on with info.
bool ListingGoesOn(ListResult* result, const void* info, int eol) {
    if (eol < 0) {
        result->failed = true;
    }
    return eol == 0 && info != nullptr;
}

void OnSink(pa_context*, const pa_sink_info* info, int eol, void* data) {
    auto* result = static_cast<ListResult*>(data);
    if (!ListingGoesOn(result, info, eol)) {
        return;
    }
    PulseDevice device = DeviceOf(*info);
    device.monitorSourceName = Text(info->monitor_source_name);
    result->devices->push_back(std::move(device));
}

void OnSource(pa_context*, const pa_source_info* info, int eol, void* data) {
    auto* result = static_cast<ListResult*>(data);
    if (!ListingGoesOn(result, info, eol)) {
        return;
    }
    PulseDevice device = DeviceOf(*info);
    device.isMonitor = info->monitor_of_sink != PA_INVALID_INDEX;
    result->devices->push_back(std::move(device));
}

bool FinishList(PulseConnection& connection, pa_operation* operation, ListResult& result) {
    if (!connection.Wait(operation) || result.failed) {
        return false;
    }
    std::stable_sort(result.devices->begin(), result.devices->end(),
                     [](const PulseDevice& a, const PulseDevice& b) { return a.index < b.index; });
    return true;
}

} // namespace

PulseRequests& PulseRequests::Shared() {
    static PulseRequests requests;
    return requests;
}

bool PulseRequests::EnsureConnected(std::string& error) {
    if (connection_.IsReady()) {
        return true;
    }
    return connection_.Connect(kClientName, error);
}

bool PulseRequests::Run(const std::function<bool(PulseConnection&)>& request, std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int attempt = 0; attempt < 2; ++attempt) {
        error.clear();
        if (!EnsureConnected(error)) {
            return false;
        }
        PulseConnection::Guard guard(connection_);
        if (request(connection_)) {
            return true;
        }
        if (!connection_.Failed()) {
            if (error.empty()) {
                int code = pa_context_errno(connection_.Context());
                error = "the sound server refused the request or the device was not found";
                if (code != PA_OK) {
                    error += std::string(" (") + pa_strerror(code) + ")";
                }
            }
            return false;
        }
        // The server went away during the request: try once more on a new connection.
        error = "the connection to the sound server was lost: " + connection_.LastError();
    }
    return false;
}

bool QuerySinks(PulseConnection& connection, std::vector<PulseDevice>& sinks) {
    sinks.clear();
    ListResult result{&sinks};
    pa_operation* operation = pa_context_get_sink_info_list(connection.Context(), &OnSink, &result);
    return FinishList(connection, operation, result);
}

bool QuerySources(PulseConnection& connection, std::vector<PulseDevice>& sources) {
    sources.clear();
    ListResult result{&sources};
    pa_operation* operation =
        pa_context_get_source_info_list(connection.Context(), &OnSource, &result);
    return FinishList(connection, operation, result);
}

bool QueryServerInfo(PulseConnection& connection, PulseServerInfo& info) {
    struct Result {
        PulseServerInfo* info;
        bool answered = false;
    } result{&info};
    auto onInfo = [](pa_context*, const pa_server_info* server, void* data) {
        auto* result = static_cast<Result*>(data);
        if (server == nullptr) {
            return;
        }
        result->info->serverName = Text(server->server_name);
        result->info->defaultSink = Text(server->default_sink_name);
        result->info->defaultSource = Text(server->default_source_name);
        result->answered = true;
    };
    pa_operation* operation = pa_context_get_server_info(connection.Context(), onInfo, &result);
    return connection.Wait(operation) && result.answered;
}

bool CountSourceOutputs(PulseConnection& connection, std::uint32_t sourceIndex,
                        std::uint32_t& count) {
    struct Result {
        std::uint32_t source;
        std::uint32_t count = 0;
        bool failed = false;
    } result{sourceIndex};
    auto onOutput = [](pa_context*, const pa_source_output_info* info, int eol, void* data) {
        auto* result = static_cast<Result*>(data);
        if (eol < 0) {
            result->failed = true;
        }
        if (eol == 0 && info != nullptr && info->source == result->source) {
            ++result->count;
        }
    };
    pa_operation* operation =
        pa_context_get_source_output_info_list(connection.Context(), onOutput, &result);
    if (!connection.Wait(operation) || result.failed) {
        return false;
    }
    count = result.count;
    return true;
}

bool QueryModuleName(PulseConnection& connection, std::uint32_t moduleIndex, std::string& name) {
    struct Result {
        std::string* name;
        bool answered = false;
    } result{&name};
    auto onModule = [](pa_context*, const pa_module_info* info, int eol, void* data) {
        auto* result = static_cast<Result*>(data);
        if (eol == 0 && info != nullptr) {
            *result->name = Text(info->name);
            result->answered = true;
        }
    };
    pa_operation* operation =
        pa_context_get_module_info(connection.Context(), moduleIndex, onModule, &result);
    return connection.Wait(operation) && result.answered;
}

bool LoadModule(PulseConnection& connection, const std::string& name, const std::string& arguments,
                std::uint32_t& moduleIndex) {
    moduleIndex = PA_INVALID_INDEX;
    auto onLoaded = [](pa_context*, std::uint32_t index, void* data) {
        *static_cast<std::uint32_t*>(data) = index;
    };
    pa_operation* operation = pa_context_load_module(connection.Context(), name.c_str(),
                                                     arguments.c_str(), onLoaded, &moduleIndex);
    return connection.Wait(operation) && moduleIndex != PA_INVALID_INDEX;
}

bool UnloadModule(PulseConnection& connection, std::uint32_t moduleIndex) {
    return RequestSucceeds(connection, [&](pa_context_success_cb_t callback, void* data) {
        return pa_context_unload_module(connection.Context(), moduleIndex, callback, data);
    });
}

bool RequestSucceeds(PulseConnection& connection,
                     const std::function<pa_operation*(pa_context_success_cb_t, void*)>& start) {
    int success = 0;
    auto onDone = [](pa_context*, int ok, void* data) { *static_cast<int*>(data) = ok; };
    return connection.Wait(start(onDone, &success)) && success != 0;
}

} // namespace platform
