// The virtual microphone kept in the sound server: a null sink the voice server plays into and
// a source remapped from its monitor, both described "Voxwarp Microphone"; optionally loaded by
// the user's sound server configuration at every start.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "base/mlog.h"
#include "platform/atomic_file.h"
#include "platform/sound/linux/pulse_requests.h"
#include "platform/sound/linux/pulse_vcard_config.h"
#include "platform/sound/sound_server.h"

namespace platform {
namespace {

// The two sides as the running server has them; an index of PA_INVALID_INDEX when missing.
struct CardDevices {
    PulseDevice sink;
    PulseDevice source;
    bool HasSink() const { return sink.index != PA_INVALID_INDEX; }
    bool HasSource() const { return source.index != PA_INVALID_INDEX; }
};

// Ours by name, or by description when it was made some other way.
bool IsOurs(const PulseDevice& device, const char* name) {
    return device.name == name || device.description == vcard::kDescription;
}

bool FindCard(PulseConnection& connection, CardDevices& card) {
    card = CardDevices();
    std::vector<PulseDevice> devices;
    if (!QuerySinks(connection, devices)) {
        return false;
    }
    for (PulseDevice& device : devices) {
        if (IsOurs(device, vcard::kSinkName)) {
            card.sink = std::move(device);
            break;
        }
    }
    if (!QuerySources(connection, devices)) {
        return false;
    }
    for (PulseDevice& device : devices) {
        if (!device.isMonitor && IsOurs(device, vcard::kSourceName)) {
            card.source = std::move(device);
            break;
        }
    }
    return true;
}

bool IsPipewire(const PulseServerInfo& info) {
    return info.serverName.find("PipeWire") != std::string::npos;
}

std::string FileError(const std::string& what, const std::string& path, int code) {
    return "cannot " + what + " " + path + ": " + std::strerror(code);
}

bool EnsureFolderOf(const std::string& path, std::string& error) {
    std::error_code code;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), code);
    if (code) {
        error = "cannot create the folder of " + path + ": " + code.message();
        return false;
    }
    return true;
}

// Adds our block to PulseAudio's user script, creating the script when the user has none.
bool PersistInPulseScript(std::string& error) {
    std::string path = vcard::PulseScriptPath();
    if (path.empty()) {
        error = "the user's configuration folder is unknown (HOME is not set)";
        return false;
    }
    std::string script;
    int code = ReadWholeFile(path, script);
    if (code == ENOENT) {
        script = vcard::kNewScriptHeader;
    } else if (code != 0) {
        error = FileError("read", path, code);
        return false;
    }
    std::string updated = vcard::ScriptWithBlock(script);
    if (updated == script) {
        return true;
    }
    if (!EnsureFolderOf(path, error)) {
        return false;
    }
    if ((code = WriteWholeFileAtomic(path, updated)) != 0) {
        error = FileError("write", path, code);
        return false;
    }
    return true;
}

bool PersistInPipewire(std::string& error) {
    std::string path = vcard::PipewireFragmentPath();
    if (path.empty()) {
        error = "the user's configuration folder is unknown (HOME is not set)";
        return false;
    }
    if (!EnsureFolderOf(path, error)) {
        return false;
    }
    if (int code = WriteWholeFileAtomic(path, vcard::PipewireFragment()); code != 0) {
        error = FileError("write", path, code);
        return false;
    }
    return true;
}

// Removes our block from the script and our fragment; the user's own lines stay.
bool RemovePersisted(std::string& error) {
    std::string path = vcard::PulseScriptPath();
    if (path.empty()) {
        return true;
    }
    std::string script;
    int code = ReadWholeFile(path, script);
    if (code == 0) {
        std::string updated = vcard::ScriptWithoutBlock(script);
        if (updated != script && (code = WriteWholeFileAtomic(path, updated)) != 0) {
            error = FileError("write", path, code);
            return false;
        }
    } else if (code != ENOENT) {
        error = FileError("read", path, code);
        return false;
    }
    std::string fragment = vcard::PipewireFragmentPath();
    if (std::remove(fragment.c_str()) != 0 && errno != ENOENT) {
        error = FileError("remove", fragment, errno);
        return false;
    }
    return true;
}

bool IsPersisted() {
    std::string script;
    std::string path = vcard::PulseScriptPath();
    if (!path.empty() && ReadWholeFile(path, script) == 0 && vcard::ScriptHasBlock(script)) {
        return true;
    }
    std::string fragment;
    path = vcard::PipewireFragmentPath();
    return !path.empty() && ReadWholeFile(path, fragment) == 0 && !fragment.empty();
}

// Unloads the module that made one side, when it is a module of the kind we load.
bool UnloadSide(PulseConnection& connection, const PulseDevice& device, const char* module,
                std::string& error) {
    std::string name;
    if (device.ownerModule == PA_INVALID_INDEX ||
        !QueryModuleName(connection, device.ownerModule, name) || name != module) {
        error = "\"" + device.name + "\" was not made by " + module + "; it is left alone";
        return false;
    }
    if (!UnloadModule(connection, device.ownerModule)) {
        error = "the sound server did not unload \"" + device.name + "\"";
        return false;
    }
    return true;
}

} // namespace

bool InstallVirtualCard(bool persist, std::string& error) {
    LogScope scope("InstallVirtualCard", "persist=%d", persist ? 1 : 0);
    error.clear();
    bool pipewire = false;
    std::string reason;
    bool loaded = PulseRequests::Shared().Run(
        [&](PulseConnection& connection) {
            PulseServerInfo info;
            CardDevices card;
            if (!QueryServerInfo(connection, info) || !FindCard(connection, card)) {
                return false;
            }
            pipewire = IsPipewire(info);
            std::uint32_t module = PA_INVALID_INDEX;
            if (!card.HasSink()) {
                if (!LoadModule(connection, vcard::kSinkModule, vcard::SinkArguments(), module) ||
                    !FindCard(connection, card) || !card.HasSink()) {
                    reason = "the sound server did not load the playback side";
                    return false;
                }
            }
            if (!card.HasSource()) {
                std::string master = card.sink.monitorSourceName;
                if (!LoadModule(connection, vcard::kSourceModule, vcard::SourceArguments(master),
                                module) ||
                    !FindCard(connection, card) || !card.HasSource()) {
                    reason = "the sound server did not load the capture side";
                    return false;
                }
            }
            return true;
        },
        error);
    if (!loaded && !reason.empty()) {
        error = reason;
    }
    bool result =
        loaded && (!persist || (pipewire ? PersistInPipewire(error) : PersistInPulseScript(error)));
    if (!result) {
        LogError("InstallVirtualCard: %s", error.c_str());
    }
    scope.SetResult(result);
    return result;
}

bool RemoveVirtualCard(std::string& error) {
    LogScope scope("RemoveVirtualCard");
    error.clear();
    // The configuration goes first: even with the server gone, the card is not loaded again.
    bool result = RemovePersisted(error);
    std::string serverError;
    std::string reason;
    bool unloaded = PulseRequests::Shared().Run(
        [&](PulseConnection& connection) {
            CardDevices card;
            if (!FindCard(connection, card)) {
                return false;
            }
            // The capture side first: it records the playback side's monitor.
            if (card.HasSource() &&
                !UnloadSide(connection, card.source, vcard::kSourceModule, reason)) {
                return false;
            }
            return !card.HasSink() || UnloadSide(connection, card.sink, vcard::kSinkModule, reason);
        },
        serverError);
    if (!unloaded && result) {
        error = reason.empty() ? serverError : reason;
        result = false;
    }
    if (!result) {
        LogError("RemoveVirtualCard: %s", error.c_str());
    }
    scope.SetResult(result);
    return result;
}

bool QueryVirtualCard(VirtualCardStatus& status, std::string& error) {
    error.clear();
    status = VirtualCardStatus();
    status.persistent = IsPersisted();
    CardDevices card;
    if (!PulseRequests::Shared().Run(
            [&](PulseConnection& connection) { return FindCard(connection, card); }, error)) {
        return false;
    }
    status.playbackSide = card.HasSink();
    status.captureSide = card.HasSource();
    return true;
}

std::uint32_t VirtualCardReadCounter(std::uint32_t input) {
    if (input != 1) {
        return 0;
    }
    bool recording = false;
    std::string error;
    if (!PulseRequests::Shared().Run(
            [&](PulseConnection& connection) {
                CardDevices card;
                std::uint32_t outputs = 0;
                if (!FindCard(connection, card) || !card.HasSource() ||
                    !CountSourceOutputs(connection, card.source.index, outputs)) {
                    return false;
                }
                recording = card.source.state == PA_SOURCE_RUNNING && outputs > 0;
                return true;
            },
            error)) {
        return 0;
    }
    // Moves on at every look while someone records, so that two looks differ; never 0.
    static std::mutex mutex;
    static std::uint32_t counter = 1;
    std::lock_guard<std::mutex> lock(mutex);
    if (recording && ++counter == 0) {
        counter = 1;
    }
    return counter;
}

} // namespace platform
