// The control panel's command line. Without arguments the control panel starts as usual;
// "--skin-preview FILE [--state up|over|down|checked|disabled] [--save PNG]" shows the main
// window's skin alone, without the voice server or a sound server; "--wizard" runs the setup
// wizard alone to choose the sound devices again; "--edit-effect NAME" opens the voice effect
// editor on the library's effect NAME (a new effect when there is none); "--options" opens the
// options sheet.
#pragma once

#include <string>
#include <vector>

enum class PreviewState { Up, Over, Down, Checked, Disabled };

struct CommandLine {
    bool skinPreview = false;
    std::string skinFile;
    PreviewState state = PreviewState::Up;
    std::string savePath; // empty: show the window
    bool help = false;
    bool wizard = false;
    bool editEffect = false;
    std::string effectName;
    bool options = false;
};

// Parses the arguments after the program name. Returns an empty text and fills out, or the
// message that explains what is wrong.
std::string ParseCommandLine(const std::vector<std::string>& args, CommandLine& out);

// The usage text printed for --help and after a mistake.
const char* CommandLineUsage();
