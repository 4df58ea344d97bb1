// The start of a control panel command that runs one dialog without the main window
// (--edit-effect, --options): the program folder as the current folder and the log
// "parlanocl.log" with its start line.
#pragma once

#include <string>

class AppConfig;

// Enters folder (empty: the program folder of this process) and opens the log. Gives the folder
// entered; false, after a message on standard error, when it cannot be entered. GUI thread.
bool StartCommandSession(const std::string& folder, std::string& entered);

// StartCommandSession, then reads the configuration of the folder entered into config and starts
// the string table with its language. False, after a message on standard error and in the log
// (who names the command there), when the configuration cannot be read: writing over it would
// lose it. GUI thread.
bool StartCommandWithConfig(const std::string& folder, AppConfig& config, const char* who);

// Logs the program's version and the sound devices, after the start line. GUI thread.
void LogProgramAndDevices();
