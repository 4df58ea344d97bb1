// The start of a control panel command that runs one dialog without the main window
// (--edit-effect, --options): the program folder as the current folder and the log
// "parlanocl.log" with its start line.
#pragma once

#include <string>

// Enters folder (empty: the program folder of this process) and opens the log. Gives the folder
// entered; false, after a message on standard error, when it cannot be entered. GUI thread.
bool StartCommandSession(const std::string& folder, std::string& entered);
