#include "ctl_service.h"

#include <fstream>
#include <string>
#include <vector>

#include "audio/sound_devices.h"
#include "ctl_commands.h"
#include "ctl_run.h"
#include "service/ntservice.h"

namespace voxwarpctl {
namespace {

struct ServiceCommandHelp {
    const char* verb;
    const char* description;
};

constexpr ServiceCommandHelp kServiceCommands[] = {
    {"install", "install the voice server's service, or update it to a new server"},
    {"start", "start the voice server's service and wait until it runs"},
    {"stop", "stop the voice server's service and wait until it has ended"},
    {"status", "print the state of the voice server's service"},
    {"uninstall", "stop and remove the voice server's service"},
};

std::string Usage() {
    std::string verbs;
    for (const ServiceCommandHelp& command : kServiceCommands)
        verbs += (verbs.empty() ? "" : "|") + std::string(command.verb);
    return "usage: voxwarpctl service " + verbs;
}

int Failed(std::ostream& err, const char* verb, NtServiceErrorNum code,
           const NtServiceSystemError& error) {
    err << "voxwarpctl: service " << verb << ": " << NtServiceErrorText(code);
    if (!error.text.empty())
        err << " (" << error.text << ")";
    err << "\n";
    return kExitService;
}

// The error lines the voice server wrote to its log since it last started: why it did not run.
std::vector<std::string> LastStartErrors(const AppConfig& config) {
    std::ifstream log(config.ProgramFolder() + "parlanosrv.log");
    std::vector<std::string> errors;
    std::string line;
    while (std::getline(log, line)) {
        if (line.find("Service version: ") != std::string::npos)
            errors.clear();
        else if (std::size_t at = line.find("Error: "); at != std::string::npos)
            errors.push_back(line.substr(at + 7));
    }
    return errors;
}

} // namespace

bool IsServiceCommand(const std::string& word) {
    return word == "service";
}

std::string ServiceStateName(std::uint32_t state) {
    switch (state) {
    case servicestate::kStopped:
        return "stopped";
    case servicestate::kStartPending:
        return "start pending";
    case servicestate::kStopPending:
        return "stop pending";
    case servicestate::kRunning:
        return "running";
    default:
        return "state " + std::to_string(state);
    }
}

int RunServiceCommand(const std::vector<std::string>& args, const ServerCommandLine& server,
                      AppConfig& config, std::ostream& out, std::ostream& err) {
    if (args.size() < 2) {
        err << "voxwarpctl: \"service\" needs a subcommand (" << Usage() << ")\n";
        return kExitBadArgs;
    }
    if (args.size() > 2) {
        err << "voxwarpctl: service " << args[1] << ": unexpected argument \"" << args[2] << "\" ("
            << Usage() << ")\n";
        return kExitBadArgs;
    }
    const std::string& verb = args[1];
    const std::string name = kVoxwarpServiceName;
    NtServiceSystemError error;
    if (verb == "install") {
        bool ok =
            InstallServer(config, server, [&err](const std::string& text) { err << text << "\n"; });
        if (!ok)
            return kExitService;
        out << "Service " << name << " is installed";
        if (!config.version.empty())
            out << " (version " << config.version << ")";
        out << ".\n";
        return kExitDone;
    }
    if (verb == "start") {
        NtServiceErrorNum code = NtServiceStart(name, &error);
        if (code != kNtServiceSuccess) {
            Failed(err, "start", code, error);
            for (const std::string& line : LastStartErrors(config))
                err << "voxwarpctl: the voice server's log says: " << line << "\n";
            return kExitService;
        }
        out << "Service " << name << " is running.\n";
        return kExitDone;
    }
    if (verb == "stop") {
        NtServiceErrorNum code = NtServiceStop(name, &error);
        if (code != kNtServiceSuccess)
            return Failed(err, "stop", code, error);
        out << "Service " << name << " is stopped.\n";
        return kExitDone;
    }
    if (verb == "status") {
        std::uint32_t state = 0;
        NtServiceErrorNum code = NtServiceStatus(name, state, &error);
        if (code == kNtServiceNotFound) {
            out << name << ": not installed\n";
            return kExitDone;
        }
        if (code != kNtServiceSuccess)
            return Failed(err, "status", code, error);
        out << name << ": " << ServiceStateName(state) << "\n";
        return kExitDone;
    }
    if (verb == "uninstall") {
        // Recording programs must not be left on a virtual microphone that nothing feeds.
        MoveDefaultRecordingOffVirtualCard();
        NtServiceErrorNum code = NtServiceUninstall(name, &error);
        if (code != kNtServiceSuccess)
            return Failed(err, "uninstall", code, error);
        out << "Service " << name << " has been uninstalled.\n";
        return kExitDone;
    }
    err << "voxwarpctl: unknown command \"service " << verb << "\" (" << Usage() << ")\n";
    return kExitBadArgs;
}

std::string ServiceCommandsHelp(std::size_t column) {
    std::string text;
    for (const ServiceCommandHelp& command : kServiceCommands)
        text += CtlHelpLine(std::string("service ") + command.verb, command.description, column);
    return text;
}

} // namespace voxwarpctl
