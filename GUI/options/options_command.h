// "Voxwarp --options": the options sheet on the configuration of the program folder, without the
// main window (for a desktop action). A running voice server is told about applied changes.
#pragma once

#include <functional>
#include <string>

class COptionsSheet;

// Exit codes of --options (2 is a mistake on the command line).
constexpr int kOptionsDone = 0;
constexpr int kOptionsFailed = 3; // the configuration could not be read

struct OptionsCommand {
    // Empty: the program folder of this process.
    std::string programFolder;
    // Runs the sheet to its end; empty: a modal run.
    std::function<void(COptionsSheet&)> run;
};

// The program folder, the log "parlanocl.log", the configuration, the string table, then the
// sheet. GUI thread, with the application made.
int RunOptionsCommand(const OptionsCommand& command);
