// Types shared by the configuration, the effect host, the server and the control panel.
#pragma once

#include <string>
#include <vector>

// One plug-in parameter: its value (0.0 to 1.0) and its name. Lists of parameters are ordered
// by parameter index.
struct EffectParam {
    float value = 0.0f;
    std::string name;
};

// One entry of the voice effect library: a named pairing of a plug-in with stored parameter
// values. The plug-in is named by its file name in the plug-in folder without the extension.
struct VoiceEffect {
    std::string plugin;
    std::string name;
    std::vector<EffectParam> params;
};
