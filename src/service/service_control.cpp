#include "service/service_control.h"

#include <cerrno>
#include <filesystem>
#include <string_view>

#include "base/error.h"
#include "base/fileversion.h"
#include "base/mlog.h"
#include "base/strtable.h"
#include "config/config.h"
#include "platform/paths.h"
#include "platform/service_manager.h"
#include "platform/system_error.h"

namespace {

using platform::ServiceFailure;
using platform::ServiceOutcome;

constexpr unsigned kStrServiceNotFound = 168; // the program file is missing
constexpr unsigned kStrManagerError = 169;
constexpr unsigned kStrCreateError = 170;
constexpr unsigned kStrUndefinedError = 141;
constexpr unsigned kVersionLanguage = 1033;
constexpr unsigned kVersionCodePage = 1200;

// Fills a message text from the string table: each conversion ("%s", "%u", "%d", with flags)
// takes the next value, already written as text; "%%" is a percent sign. A translated text with
// other conversions or too few values can therefore never read beyond the values given.
std::string FillText(const std::string& format, const std::vector<std::string>& values) {
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        if (format[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        while (j < format.size() &&
               std::string_view("-+ #0123456789.lhz").find(format[j]) != std::string_view::npos)
            ++j;
        if (j >= format.size()) {
            out += format.substr(i);
            break;
        }
        if (next < values.size())
            out += values[next++];
        i = j;
    }
    return out;
}

void Show(const ServiceMessageSink& message, const std::string& text) {
    LogError("%s", text.c_str());
    if (message)
        message(text);
    else
        MyError("%s", text.c_str()).Show(msgbox::kIconStop);
}

void Keep(const ServiceOutcome& outcome, NtServiceSystemError* error) {
    if (error) {
        error->code = outcome.error;
        error->text = outcome.text;
    }
}

std::string SystemText(int code) {
    const char* text = platform::SystemErrorDescription(static_cast<std::uint32_t>(code));
    return text ? text : "";
}

// Sets the text of code as the result of the Leave line, and gives code back.
NtServiceErrorNum Result(LogScope& scope, NtServiceErrorNum code) {
    scope.SetResult(NtServiceErrorText(code));
    return code;
}

std::string Folder(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

// Installs the service for server ("_InstallServerBse").
bool InstallServerBase(const ServerCommandLine& server, const ServiceMessageSink& message) {
    LogScope scope("_InstallServerBse", "\"%s\"", server.program.c_str());
    std::error_code ignored;
    if (!std::filesystem::exists(server.program, ignored)) {
        Show(message,
             FillText(LoadStr(kStrServiceNotFound), {server.program, Folder(server.program)}));
        scope.SetResult(false);
        return false;
    }
    platform::ServiceDefinition definition;
    definition.name = kVoxwarpServiceName;
    definition.displayName = kVoxwarpServiceDisplayName;
    definition.description = kVoxwarpServiceDescription;
    definition.program = server.program;
    definition.arguments = server.arguments;
    ServiceOutcome outcome = platform::InstallService(definition);
    if (!outcome.Ok()) {
        unsigned id =
            outcome.failure == ServiceFailure::Denied ? kStrManagerError : kStrCreateError;
        std::string text = FillText(LoadStr(id), {std::to_string(outcome.error)});
        if (!outcome.text.empty())
            text += "\n" + outcome.text;
        Show(message, text);
    }
    scope.SetResult(outcome.Ok());
    return outcome.Ok();
}

// Stores the FileVersion of the installed program in the configuration. False (after the
// message) when the version cannot be read for another reason than a missing file.
bool StoreVersion(AppConfig& config, const std::string& program,
                  const ServiceMessageSink& message) {
    FileVersionRecord record;
    int error = GetFileVersionStrings(program, kVersionLanguage, kVersionCodePage, record);
    if (error != 0 && error != ENOENT) {
        Show(message,
             "Can not get file version after install.\nError code: " + std::to_string(error) +
                 " (\"" + SystemText(error) + "\") \nFile: " + program);
        return false;
    }
    const AppConfig before = config;
    config.version = record.fileVersion;
    // Only the version is written: the user's other settings stay as they stand.
    if (!config.WriteChanged(before))
        LogError("InstallServer: the version could not be stored in \"%s\"",
                 config.ConfigPath().c_str());
    return true;
}

} // namespace

unsigned NtServiceErrorStringId(std::uint32_t code) {
    static constexpr unsigned kIds[] = {120, 175, 176, 177, 178, 179, 180, 182, 183, 181, 184};
    return code < std::size(kIds) ? kIds[code] : kStrUndefinedError;
}

std::string NtServiceErrorText(std::uint32_t code) {
    return LoadStr(NtServiceErrorStringId(code));
}

NtServiceErrorNum NtServiceStatus(const std::string& name, std::uint32_t& state,
                                  NtServiceSystemError* error) {
    LogScope scope("NtServiceStatus", "\"%s\"", name.c_str());
    state = platform::kServiceStopped;
    ServiceOutcome outcome = platform::QueryServiceState(name, state);
    Keep(outcome, error);
    switch (outcome.failure) {
    case ServiceFailure::None:
        return Result(scope, kNtServiceSuccess);
    case ServiceFailure::NotInstalled:
        return Result(scope, kNtServiceNotFound);
    default:
        return Result(scope, kNtServiceManagerDenied);
    }
}

NtServiceErrorNum NtServiceStart(const std::string& name, NtServiceSystemError* error) {
    LogScope scope("NtServiceStart", "\"%s\"", name.c_str());
    std::uint32_t state = platform::kServiceStopped;
    ServiceOutcome outcome = platform::QueryServiceState(name, state);
    Keep(outcome, error);
    if (outcome.failure == ServiceFailure::NotInstalled)
        return Result(scope, kNtServiceNotFound);
    if (!outcome.Ok())
        return Result(scope, kNtServiceUndefined);
    if (state == platform::kServiceRunning || state == platform::kServiceStartPending)
        return Result(scope, kNtServiceSuccess);
    outcome = platform::StartService(name);
    Keep(outcome, error);
    switch (outcome.failure) {
    case ServiceFailure::None:
        return Result(scope, kNtServiceSuccess);
    case ServiceFailure::NotInstalled:
        return Result(scope, kNtServiceNotFound);
    case ServiceFailure::Unresponsive:
        return Result(scope, kNtServiceStartUnresponsive);
    default:
        return Result(scope, kNtServiceStartFailed);
    }
}

NtServiceErrorNum NtServiceStop(const std::string& name, NtServiceSystemError* error) {
    LogScope scope("NtServiceStop", "\"%s\"", name.c_str());
    std::uint32_t state = platform::kServiceStopped;
    ServiceOutcome outcome = platform::QueryServiceState(name, state);
    Keep(outcome, error);
    if (outcome.failure == ServiceFailure::NotInstalled)
        return Result(scope, kNtServiceNotFound);
    if (!outcome.Ok())
        return Result(scope, kNtServiceUndefined);
    if (state == platform::kServiceStopped)
        return Result(scope, kNtServiceSuccess);
    // Also when it is stopping already: the caller learns when it has ended.
    outcome = platform::StopService(name);
    Keep(outcome, error);
    switch (outcome.failure) {
    case ServiceFailure::None:
        return Result(scope, kNtServiceSuccess);
    case ServiceFailure::NotInstalled:
        return Result(scope, kNtServiceNotFound);
    case ServiceFailure::Unresponsive:
        return Result(scope, kNtServiceStopUnresponsive);
    default:
        return Result(scope, kNtServiceStopFailed);
    }
}

NtServiceErrorNum NtServiceGetPath(const std::string& name, std::string& path,
                                   NtServiceSystemError* error) {
    LogScope scope("NtServiceGetPath", "\"%s\"", name.c_str());
    path.clear();
    std::vector<std::string> command;
    ServiceOutcome outcome = platform::QueryServiceCommand(name, command);
    Keep(outcome, error);
    if (outcome.failure == ServiceFailure::NotInstalled)
        return Result(scope, kNtServiceNotFound);
    if (!outcome.Ok())
        return Result(scope, kNtServiceUndefined);
    path = command[0];
    return Result(scope, kNtServiceSuccess);
}

NtServiceErrorNum NtServiceUninstall(const std::string& name, NtServiceSystemError* error) {
    LogScope scope("NtServiceUninstall", "\"%s\"", name.c_str());
    ServiceOutcome outcome = platform::UninstallService(name);
    Keep(outcome, error);
    switch (outcome.failure) {
    case ServiceFailure::None:
        return Result(scope, kNtServiceSuccess);
    case ServiceFailure::NotInstalled:
        return Result(scope, kNtServiceOpenFailed);
    case ServiceFailure::Denied:
        return Result(scope, kNtServiceManagerDenied);
    default:
        return Result(scope, kNtServiceDeleteFailed);
    }
}

ServerCommandLine DefaultServerCommand() {
    return ServerCommandLine{platform::ExecutableFolder() + kVoxwarpServerProgram, {}};
}

bool InstallServer(AppConfig& config, const ServerCommandLine& server,
                   const ServiceMessageSink& message) {
    LogScope scope("InstallServer");
    config.ReadSys();
    std::string path;
    NtServiceErrorNum code = NtServiceGetPath(kVoxwarpServiceName, path);
    bool ok = false;
    if (code == kNtServiceNotFound) {
        ok = InstallServerBase(server, message) && StoreVersion(config, server.program, message);
    } else if (code == kNtServiceSuccess) {
        FileVersionRecord record;
        GetFileVersionStrings(path, kVersionLanguage, kVersionCodePage, record);
        LogNote("Server version: %s, cfg.version: %s", record.fileVersion.c_str(),
                config.version.c_str());
        std::vector<std::string> installed;
        platform::QueryServiceCommand(kVoxwarpServiceName, installed);
        std::vector<std::string> wanted{server.program};
        wanted.insert(wanted.end(), server.arguments.begin(), server.arguments.end());
        if (record.fileVersion == config.version && installed == wanted) {
            ok = true;
        } else {
            NtServiceSystemError error;
            code = NtServiceUninstall(kVoxwarpServiceName, &error);
            if (code != kNtServiceSuccess)
                Show(message, NtServiceErrorText(code) + "\n" + error.text);
            else
                ok = InstallServerBase(server, message) &&
                     StoreVersion(config, server.program, message);
        }
    } else {
        Show(message, NtServiceErrorText(code));
    }
    scope.SetResult(ok);
    return ok;
}

bool RunServer(const ServiceMessageSink& message) {
    LogScope scope("RunServer");
    std::uint32_t state = platform::kServiceStopped;
    NtServiceSystemError error;
    NtServiceErrorNum code = NtServiceStatus(kVoxwarpServiceName, state, &error);
    if (code == kNtServiceSuccess && state != platform::kServiceRunning &&
        state != platform::kServiceStartPending)
        code = NtServiceStart(kVoxwarpServiceName, &error);
    if (code != kNtServiceSuccess) {
        Show(message,
             NtServiceErrorText(code) + "\n\n" + error.text + " (\"" + kVoxwarpServiceName + "\")");
        scope.SetResult(false);
        return false;
    }
    scope.SetResult(true);
    return true;
}
