// "Voxwarp --edit-effect NAME": the voice effect editor on one effect of the library, without the
// main window. OK stores the effect in the library and saves voiceeffects.ini; Cancel changes
// nothing. The exit code tells a script what happened.
#pragma once

#include <functional>
#include <string>

class AppConfig;
class CEditEffect;
class TestStream;

// Exit codes of --edit-effect (2 is a mistake on the command line).
constexpr int kEditEffectSaved = 0;
constexpr int kEditEffectCancelled = 1;
constexpr int kEditEffectFailed = 3; // the configuration could not be read or written

struct EditEffectOptions {
    // Plays the plug-in while it is edited; null: nothing is heard.
    TestStream* testStream = nullptr;
    // Whether the voice server is connected; empty: its command channel is tried.
    std::function<bool()> serverConnected;
    // Runs the dialog to its end and returns its result; empty: a modal run.
    std::function<int(CEditEffect&)> run;
};

// Edits the library effect called name (found without regard to case), or a new effect of that
// name. On OK the effect replaces the edited entry (or is appended), slots that named the old
// name take the new one, and the files are written. GUI thread.
int EditLibraryEffect(AppConfig& config, const std::string& name, const EditEffectOptions& options);

struct EditEffectCommand {
    std::string name;
    // Empty: the program folder of this process.
    std::string programFolder;
    // As in EditEffectOptions.
    std::function<int(CEditEffect&)> run;
};

// The whole command: program folder, the log "parlanocl.log", configuration, string table, a
// test stream on the configured input and monitor devices, then EditLibraryEffect; a running
// voice server's monitor is off meanwhile and set back as configured afterwards. Messages for a
// script go to standard error. GUI thread, with the application made.
int RunEditEffectCommand(const EditEffectCommand& command);
