// The control panel's service functions: start, stop, query and remove the voice server's
// service, and install it (or replace it when its program file changed). They never throw;
// results are NtServiceErrorNum values whose texts come from the string table, and where a
// message is for the user, it goes to a message sink (voxwarpctl prints it, the control panel
// shows it in a box).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class AppConfig;

// The voice server's service.
constexpr const char* kVoxwarpServiceName = "VoxwarpSrv";
constexpr const char* kVoxwarpServiceDisplayName = "Voxwarp Service";
constexpr const char* kVoxwarpServiceDescription =
    "Capturing sound from microphone and sending to loopback adapter";
constexpr const char* kVoxwarpServerProgram = "VoxwarpServer";

enum NtServiceErrorNum : std::uint32_t {
    kNtServiceSuccess = 0,
    kNtServiceUndefined = 1,
    kNtServiceNotFound = 2,
    kNtServiceManagerDenied = 3,
    kNtServiceAccessDenied = 4,
    kNtServiceOpenFailed = 5,
    kNtServiceStartFailed = 6,
    kNtServiceStartUnresponsive = 7,
    kNtServiceStopUnresponsive = 8,
    kNtServiceStopFailed = 9,
    kNtServiceDeleteFailed = 10,
};

// The string table id of a result's text (141 "Undefined error" for unknown codes).
unsigned NtServiceErrorStringId(std::uint32_t code);
std::string NtServiceErrorText(std::uint32_t code);

// The system's side of a failure: an error number (0 when the service manager reported it in
// words only) and its text.
struct NtServiceSystemError {
    int code = 0;
    std::string text;
};

// Starts the service unless it runs or is starting; waits until it runs.
NtServiceErrorNum NtServiceStart(const std::string& name, NtServiceSystemError* error = nullptr);
// Stops the service unless it is stopped; waits until its program has ended.
NtServiceErrorNum NtServiceStop(const std::string& name, NtServiceSystemError* error = nullptr);
// The state of the service (1 stopped, 2 start pending, 3 stop pending, 4 running).
NtServiceErrorNum NtServiceStatus(const std::string& name, std::uint32_t& state,
                                  NtServiceSystemError* error = nullptr);
// The full path of the service's program file.
NtServiceErrorNum NtServiceGetPath(const std::string& name, std::string& path,
                                   NtServiceSystemError* error = nullptr);
// Stops and removes the service.
NtServiceErrorNum NtServiceUninstall(const std::string& name,
                                     NtServiceSystemError* error = nullptr);

// How the service runs the voice server: its program file and the arguments it gets.
struct ServerCommandLine {
    std::string program;
    std::vector<std::string> arguments;
};

// "VoxwarpServer" beside the running program.
ServerCommandLine DefaultServerCommand();

// Receives a message for the user. An empty sink shows it in a message box.
using ServiceMessageSink = std::function<void(const std::string& text)>;

// Installs the service when it is missing, or replaces it when the installed program's
// FileVersion differs from the configuration's "version" (or when the installed command is not
// server's); stores the installed version in the configuration. False (after a message) when
// the service could not be installed.
bool InstallServer(AppConfig& config, const ServerCommandLine& server,
                   const ServiceMessageSink& message = {});

// Starts the service unless it runs or is starting. False (after a message) when it is not
// installed or does not start.
bool RunServer(const ServiceMessageSink& message = {});
