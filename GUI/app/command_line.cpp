#include "app/command_line.h"

namespace {

bool ParseState(const std::string& text, PreviewState& state) {
    static const struct {
        const char* name;
        PreviewState state;
    } kStates[] = {{"up", PreviewState::Up},
                   {"over", PreviewState::Over},
                   {"down", PreviewState::Down},
                   {"checked", PreviewState::Checked},
                   {"disabled", PreviewState::Disabled}};
    for (const auto& s : kStates) {
        if (text == s.name) {
            state = s.state;
            return true;
        }
    }
    return false;
}

} // namespace

std::string ParseCommandLine(const std::vector<std::string>& args, CommandLine& out) {
    CommandLine cl;
    bool stateGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            cl.help = true;
        } else if (arg == "--wizard") {
            cl.wizard = true;
        } else if (arg == "--skin-preview") {
            if (!hasValue)
                return "--skin-preview needs the skin file";
            cl.skinPreview = true;
            cl.skinFile = args[++i];
        } else if (arg == "--edit-effect") {
            if (!hasValue || args[i + 1].empty())
                return "--edit-effect needs the voice effect's name";
            cl.editEffect = true;
            cl.effectName = args[++i];
        } else if (arg == "--options") {
            cl.options = true;
        } else if (arg == "--state") {
            if (!hasValue || !ParseState(args[i + 1], cl.state))
                return "--state needs one of up, over, down, checked, disabled";
            stateGiven = true;
            ++i;
        } else if (arg == "--save") {
            if (!hasValue)
                return "--save needs the picture file";
            cl.savePath = args[++i];
        } else {
            return "unknown argument: " + arg;
        }
    }
    if (cl.wizard && cl.skinPreview)
        return "--wizard and --skin-preview are separate uses";
    if (!cl.skinPreview && (stateGiven || !cl.savePath.empty()))
        return "--state and --save belong to --skin-preview";
    if (cl.editEffect && (cl.skinPreview || cl.wizard))
        return "--edit-effect is a use of its own";
    if (cl.options && (cl.skinPreview || cl.wizard || cl.editEffect))
        return "--options is a use of its own";
    out = cl;
    return {};
}

const char* CommandLineUsage() {
    return "usage: Voxwarp\n"
           "       Voxwarp --skin-preview FILE [--state up|over|down|checked|disabled] "
           "[--save PNG]\n"
           "       Voxwarp --wizard\n"
           "       Voxwarp --edit-effect NAME\n"
           "       Voxwarp --options\n"
           "  --skin-preview FILE  show the main window's skin from FILE, without the voice "
           "server\n"
           "  --state STATE        show every button in that state (default up)\n"
           "  --save PNG           write a picture of the window to PNG and exit\n"
           "  --wizard             choose the microphone and the headset or speakers again\n"
           "  --edit-effect NAME   edit the voice effect NAME (a new one when the library has "
           "none);\n"
           "                       exit 0 when saved, 1 when cancelled, 3 when the "
           "configuration\n"
           "                       could not be read or written\n"
           "  --options            open the options; exit 3 when the configuration could not "
           "be read\n";
}
