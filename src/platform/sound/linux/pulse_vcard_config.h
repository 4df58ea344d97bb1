// The virtual microphone "Voxwarp Microphone" as sound server modules, and the text that makes
// the user's sound server load them at start: a marked block in PulseAudio's user script
// (default.pa) or a fragment of PipeWire's pulse server configuration. Pure text; no I/O but
// reading the environment for the configuration folder.
#pragma once

#include <string>
#include <vector>

namespace platform::vcard {

inline constexpr const char* kDescription = "Voxwarp Microphone";
inline constexpr const char* kSinkName = "voxwarp_mic";          // the playback side
inline constexpr const char* kSourceName = "voxwarp_mic_source"; // the capture side
inline constexpr const char* kSinkModule = "module-null-sink";
inline constexpr const char* kSourceModule = "module-remap-source";

// The module arguments, descriptions quoted for the server's argument and property parsers.
std::string SinkArguments();
// master: the monitor source of the playback side ("voxwarp_mic.monitor").
std::string SourceArguments(const std::string& master);

struct ModuleLoad {
    std::string module;
    std::string arguments;
};
// The modules in load order (the playback side first: the capture side records its monitor).
std::vector<ModuleLoad> PersistedModules();

// PulseAudio's user script. The block holds our lines between two marker lines.
// The script to write when the user has none: the system script first, so that the user's
// server still loads everything it did before.
inline constexpr const char* kNewScriptHeader = ".include /etc/pulse/default.pa\n";
bool ScriptHasBlock(const std::string& script);
// The script with our block: an existing block is replaced in place, otherwise the block is
// appended. Every other line stays as it was.
std::string ScriptWithBlock(const std::string& script);
// The script without our block (also a block whose end marker was lost: then only the lines
// that are ours go). Every other line stays as it was.
std::string ScriptWithoutBlock(const std::string& script);

// The whole content of PipeWire's pulse fragment (the file is ours alone).
std::string PipewireFragment();

// $XDG_CONFIG_HOME, else ~/.config; empty when neither is known.
std::string UserConfigFolder();
// "<config>/pulse/default.pa" and "<config>/pipewire/pipewire-pulse.conf.d/
// voxwarp-microphone.conf"; empty when the configuration folder is unknown.
std::string PulseScriptPath();
std::string PipewireFragmentPath();

} // namespace platform::vcard
