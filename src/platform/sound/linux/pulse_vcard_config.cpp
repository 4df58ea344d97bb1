#include "platform/sound/linux/pulse_vcard_config.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace platform::vcard {
namespace {

constexpr const char* kBeginMarker =
    "### Voxwarp Microphone: begin (written by Voxwarp, removed when it is uninstalled)";
constexpr const char* kEndMarker = "### Voxwarp Microphone: end";
// A failing line of ours must never stop the user's server from starting.
constexpr const char* kNoFail = ".nofail";

// key='device.description="TEXT"': the module argument parser takes the text between the
// single quotes as the value, and the property list parser the text between the double quotes.
// The description is a fixed text without quotes or backslashes.
std::string DescriptionProperty(const char* key) {
    return std::string(key) + "='device.description=\"" + kDescription + "\"'";
}

std::vector<std::string> BlockLines() {
    std::vector<std::string> lines{kBeginMarker, kNoFail};
    for (const ModuleLoad& load : PersistedModules()) {
        lines.push_back("load-module " + load.module + " " + load.arguments);
    }
    lines.push_back(kEndMarker);
    return lines;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

// A line without the trailing blanks and carriage return an editor may have left.
std::string Trimmed(const std::string& line) {
    std::size_t end = line.find_last_not_of(" \t\r");
    return end == std::string::npos ? std::string() : line.substr(0, end + 1);
}

bool IsBlockLine(const std::string& line) {
    std::string trimmed = Trimmed(line);
    for (const std::string& ours : BlockLines()) {
        if (trimmed == ours) {
            return true;
        }
    }
    return false;
}

// Where our block starts and where it ends (one past its last line). A block without its end
// marker ends after the run of our own lines that follows the begin marker.
bool FindBlock(const std::vector<std::string>& lines, std::size_t& begin, std::size_t& end) {
    for (begin = 0; begin < lines.size(); ++begin) {
        if (Trimmed(lines[begin]) == kBeginMarker) {
            break;
        }
    }
    if (begin == lines.size()) {
        return false;
    }
    for (end = begin + 1; end < lines.size(); ++end) {
        if (Trimmed(lines[end]) == kEndMarker) {
            ++end;
            return true;
        }
    }
    for (end = begin + 1; end < lines.size() && IsBlockLine(lines[end]); ++end) {
    }
    return true;
}

// A JSON string literal for PipeWire's configuration parser.
std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

} // namespace

std::string SinkArguments() {
    return std::string("sink_name=") + kSinkName + " " + DescriptionProperty("sink_properties");
}

std::string SourceArguments(const std::string& master) {
    return std::string("source_name=") + kSourceName + " master=" + master + " " +
           DescriptionProperty("source_properties");
}

std::vector<ModuleLoad> PersistedModules() {
    return {{kSinkModule, SinkArguments()},
            {kSourceModule, SourceArguments(std::string(kSinkName) + ".monitor")}};
}

bool ScriptHasBlock(const std::string& script) {
    std::size_t begin = 0;
    std::size_t end = 0;
    return FindBlock(SplitLines(script), begin, end);
}

std::string ScriptWithBlock(const std::string& script) {
    std::vector<std::string> lines = SplitLines(script);
    std::vector<std::string> block = BlockLines();
    std::size_t begin = 0;
    std::size_t end = 0;
    if (FindBlock(lines, begin, end)) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(begin),
                    lines.begin() + static_cast<std::ptrdiff_t>(end));
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(begin), block.begin(),
                     block.end());
    } else {
        lines.insert(lines.end(), block.begin(), block.end());
    }
    return JoinLines(lines);
}

std::string ScriptWithoutBlock(const std::string& script) {
    std::vector<std::string> lines = SplitLines(script);
    std::size_t begin = 0;
    std::size_t end = 0;
    if (!FindBlock(lines, begin, end)) {
        return script;
    }
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(begin),
                lines.begin() + static_cast<std::ptrdiff_t>(end));
    return JoinLines(lines);
}

std::string PipewireFragment() {
    std::string text = "# Voxwarp Microphone: written by Voxwarp, removed when it is uninstalled.\n"
                       "pulse.cmd = [\n";
    for (const ModuleLoad& load : PersistedModules()) {
        text +=
            "    { cmd = \"load-module\" args = " + JsonString(load.module + " " + load.arguments) +
            " flags = [ \"nofail\" ] }\n";
    }
    return text + "]\n";
}

std::string UserConfigFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return config;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/') {
        return "";
    }
    return std::string(home) + "/.config";
}

std::string PulseScriptPath() {
    std::string folder = UserConfigFolder();
    return folder.empty() ? folder : folder + "/pulse/default.pa";
}

std::string PipewireFragmentPath() {
    std::string folder = UserConfigFolder();
    return folder.empty() ? folder
                          : folder + "/pipewire/pipewire-pulse.conf.d/voxwarp-microphone.conf";
}

} // namespace platform::vcard
