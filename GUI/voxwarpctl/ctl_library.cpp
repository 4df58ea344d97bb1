#include "ctl_library.h"

#include <filesystem>
#include <system_error>

#include "base/error.h"
#include "base/mlog.h"
#include "ctl_commands.h"
#include "ctl_run.h"
#include "effect/effect_library.h"

namespace voxwarpctl {
namespace {

struct LibraryCommandHelp {
    const char* usage;
    const char* description;
};

constexpr LibraryCommandHelp kLibraryCommands[] = {
    {"import plugin FILE", "store an effect plug-in (.so) in the effects folder"},
    {"import background FILE", "store a WAV file as a background sound"},
    {"import fun FILE", "store a WAV file as a fun sound"},
    {"library", "list the voice effects, plug-ins, background and fun sounds"},
};

std::string Absolute(const std::string& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

int Import(const std::string& kind, const std::string& file, AppConfig& config, std::ostream& out,
           std::ostream& err) {
    const std::string source = Absolute(file);
    LogNote("voxwarpctl: import %s \"%s\"", kind.c_str(), source.c_str());
    try {
        if (kind == "plugin") {
            ImportPlugin(config, source);
            out << "imported plug-in " << std::filesystem::path(source).filename().string() << "\n";
        } else if (kind == "background") {
            const std::string stored = ImportBackSound(config, source);
            out << "imported background sound " << stored << "\n";
        } else {
            const std::string stored = ImportFunSound(config, source);
            out << "imported fun sound " << stored << "\n";
        }
    } catch (const MyError& error) {
        err << "voxwarpctl: " << (error.Text() != nullptr ? error.Text() : "import failed") << "\n";
        return kExitLibrary;
    }
    return kExitDone;
}

int List(AppConfig& config, std::ostream& out) {
    config.ReadVoiceEffects();
    for (const VoiceEffect& effect : config.voiceEffects) {
        out << "voice effect: " << effect.name << " (" << effect.plugin
            << (PluginExists(config, effect.plugin) ? ")" : ", missing)") << "\n";
    }
    for (const std::string& plugin : ListPlugins(config)) {
        out << "plug-in: " << plugin << "\n";
    }
    for (const std::string& sound : ListBackSounds(config)) {
        out << "background: " << sound << "\n";
    }
    for (const std::string& sound : ListFunSounds(config)) {
        out << "fun: " << sound << "\n";
    }
    return kExitDone;
}

} // namespace

bool IsLibraryCommand(const std::string& word) {
    return word == "import" || word == "library";
}

int RunLibraryCommand(const std::vector<std::string>& args, AppConfig& config, std::ostream& out,
                      std::ostream& err) {
    if (args.size() == 1 && args[0] == "library") {
        return List(config, out);
    }
    if (args.size() == 3 && args[0] == "import" &&
        (args[1] == "plugin" || args[1] == "background" || args[1] == "fun") && !args[2].empty()) {
        return Import(args[1], args[2], config, out, err);
    }
    err << "voxwarpctl: usage: voxwarpctl import plugin|background|fun FILE, or voxwarpctl "
           "library\n";
    return kExitBadArgs;
}

std::string LibraryCommandsHelp(std::size_t column) {
    std::string text;
    for (const LibraryCommandHelp& command : kLibraryCommands) {
        text += CtlHelpLine(command.usage, command.description, column);
    }
    return text;
}

} // namespace voxwarpctl
