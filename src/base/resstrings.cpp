// The built-in English texts of the string table. Both programs look every user-visible
// message up here by its id; a language catalog may replace the text at start-up.
#include "base/resstrings.h"

#include <algorithm>

const ResString kResStrings[] = {
    // Setup wizard device pages; Test/Stop button captions
    {102, "Voxwarp has detected several sound recording devices. Please select the device your "
          "microphone is connected to:"},
    {103, "Voxwarp could not detect a sound recording device."},
    {104, "Voxwarp has detected your sound recording device:"},
    {105, "Detected microphone channel:"},
    {106,
     "Please select here which channel your microfone is connected to (usually \"microphone\"):"},
    {107, "Voxwarp could not detect a sound playback device."},
    {108, "Voxwarp has detected your sound playback device:"},
    {109, "Voxwarp has detected several sound playback devices. Please select the device your "
          "headset or speakers are connected to:"},
    {110, "Test"},
    {111, "Stop"},
    {112, "Error: Could not open mixer for sound device \"%s\""},

    // Application title and service restart button
    {113, "Voxwarp"},
    {114, "Service is restarting"},
    {115, "Restart service"},

    // Result texts of the stream engine and of WAV files
    {120, "Success"},
    {121, "Error creating I/O thread"},
    {122, "Time-out expired"},
    {123, "Error opening stream"},
    {124, "Insufficient memory"},
    {125, "Error creating I/O buffers"},
    {126, "I/O stream not found"},
    {127, "Error starting stream"},
    {128, "Error stopping stream"},
    {129, "No free output buffers available"},
    {130, "I/O Error"},
    {131, "Error opening WAV file"},
    {132, "WAV file format error"},
    {133, "Device not found"},

    // Server load errors, options and plug-in import
    {135, "You can change parameters in options."},
    {136, "Options"},
    {137, "No sources"},
    {138, "A VST plug-in named \"%s\" already exists. Would you like to replace it?"},

    // More result texts
    {140, "Incorrect parameter"},
    {141, "Undefined error"},
    {142, "Error reading WAV file"},
    {143, "Error writing WAV file"},

    // Fun sound folders
    {144, "Cannot delete directory"},
    {145, "Cannot create directory"},

    // Effect host load results
    {153, "Error loading VST plug-in"},
    {154, "VST plug-in could not be found"},
    {155, "Incorrect format of VST plug-in"},
    {156, "VST plug-in doesn't contain VST effect \n(number of audio input or audio output "
          "channels equal nil)."},

    // Control panel start-up
    {157, "Virtual sound card driver \"%s\" not found."},
    {158, "Error initializing Voxwarp"},
    {159, "Voxwarp is already running."},
    {160, "Could not select default sound device."},

    // Load errors collected by the voice server
    {162, "Plug-in \"%s\" could not be loaded.\n"},
    {163, "Sound device \"%s\" not found"},
    {164, "The following Fun Sounds could not be loaded:"},
    {165, "The following Background Sounds could not be loaded:"},
    {166, "Effect \"%s\" could not be loaded.\n"},

    // Installing the voice server
    {168, "Parlano service not found.\nFile: \"%s\"\nFolder: \"%s\""},
    {169, "Error opening the service manager.\nError code: %u"},
    {170, "Error creating the service.\nError code: %u"},
    {171, "Error adding a description to the service.\nError code: %u"},
    {172, "Error registering the service with the event log.\nError code: %u"},

    // Service control results
    {175, "Service undefined error"},
    {176, "Service not found"},
    {177, "Access to service manager denied. Your privileges might not be sufficient for "
          "installing/uninstalling windows services."},
    {178, "Access to service denied. Your privileges might not be sufficient for changing the "
          "settings of windows services."},
    {179, "Error opening service"},
    {180, "Error starting service"},
    {181, "Error stopping service"},
    {182, "Error starting service. It seems to be unresponsive."},
    {183, "Error stopping service. It seems to be unresponsive."},
    {184, "Error deleting service"},

    // Main window
    {187, "Cancel"},
    {188, "Error initializing graphical user interface.\nError code: %u"},
    {189, "Default output (virtual) sound device \"%s\" not found.\nYou can change sound device "
          "settings in \"Options > General\"."},
    {190, "Sound device not found"},
    {191, "Recording sound device not found"},
    {192, "Playback sound device not found"},
    {193, "%s sound device name error.\nName: \"%s\"\nYou can change sound devices in \"Options > "
          "General\"."},
    {194, "Recording"},
    {195, "Playback"},
    {196, "Output (virtual)"},
    {201, "Could not parse skin for %s control."},
    {202, "Skin error"},

    // Options pages
    {207, "%s\nError code: %u"},
    {209, "Do you really want to delete \"%s\"?"},
    {210, "Do you want to replace %s?"},
    {211, "Error loading WAV file: %s"},
    {212, "VST plug-in for effect \"%s\" is not defined"},
    {213, "Error loading effect: %s"},
    {214, "Cannot delete group \"%s\"\nPlease delete all sub-groups and sounds first."},
    {215, "All Fun Sound Slots occupied. Please delete one of the used sounds to clear a slot."},
    {216, "Do you really want to delete the group \"%s\"?"},
    {217, "You are losing the changes you've done to voice effect \"%s\".\nDo you want to continue "
          "anyway?"},
    {218, "Do you really want delete the effect \"%s\""},
    {224, "Description"},
    {225, "File"},
    {226, "Error loading wave: %s"},
    {227, "Audio files (*.wav)|*.wav||"},
    {228, "VST plug-ins (*.so)|*.so||"},
    {229, "Sounds (*.wav)|*.wav||"},
    {230, "Do you really want to delete \"%s\"?"},
    {231, "File \"%s\" in current directory exists. Delete it?"},

    // Setup wizard and test stream
    {232, "Please select a sound device."},
    {233, "Error opening test stream: %s"},
    {234, "Error starting test stream: %s"},
    {235, "Error opening mixer for sound device \"%s\""},
    {236, "Could not access mixer volume control."},
    {237, "Error loading test wave file"},
    {238, "Voxwarp Configuration Wizard"},
    {239, "Error opening input mixer"},
    {240, "No sound devices could be detected.\nApplication will close."},

    // Plug-in and sound file operations
    {241, "Error setting file attributes. File: \"%s\". Error code: %u"},
    {242, "Error deleting %s. File: \"%s\". Error code: %u"},
    {243, "Illegal VST plug-in file name: \"%s\""},
    {244, "Plug-in \"%s\" already exists."},
    {245, "Error copying plug-in. Error code: %u"},
    {246, "VST plug-in"},
    {247, "Background sound \"%s\" already exists."},
    {248, "Background sound"},
    {249, "Fun Sound \"%s\" already exists"},
    {250, "%s. File: \"%s\""},
    {251, "Fun Sound"},
    {252, "Undefined format (wFormatTag=%u)"},
    {253, "Error converting sound\nfrom %s %u MHz, %u channel(s), %u bps\nto PCM 44100 Mhz, 1 "
          "channel, 16 bps\nError code: %u"},
    {254, "Error copying sound. Error code: %u"},
    {255, "PCM"},
    {256, "Error writing to file."},

    // Voice effect editor and parameter dialog
    {258, "Name"},
    {259, "Error creating effect dialog"},
    {260, "VST Effect Editor"},
    {261, "%s\nModule: \"%s\"\nEffect will be closed.\nYou can continue using Voxwarp but it might "
          "not run properly."},
    {263, "VST plug-in"},
    {264, "Effect parameters"},
    {265, "Effect has no parameters or graphical user interface."},
    {266, "Error loading VST plug-in: %s\nError string: %s"},
    {267, "An effect with the name \"%s\" already exists.\nSpecify another name."},
    {268, "Effect has no configurable parameters."},
    {269,
     "Warning: This will completely remove the effect VST DLL. Do you really want to continue?"},
    {270, "You can not delete this plug-in.\nThis plug-in is currently in use."},

    // Shortcut keys page
    {271, "Voice Effect %d"},
    {272, "Listen"},
    {273, "Fun Sound %d"},
    {274, "Background %d"},
    {275, "Stop all"},
    {276, "Performed Action"},
    {277, "Shortcut Key"},
    {278, "Volume"},
    {279, "Change Shortcut Key..."},
    {280, "Press Keys..."},

    // Voice effect editor: its title, control captions and the missing-name message (Cancel is
    // text 187)
    {340, "Edit Voice Effect"},
    {341, "Name:"},
    {342, "Used VST:"},
    {343, "Available VST:"},
    {344, "Use"},
    {345, "Import..."},
    {346, "Delete"},
    {347, "OK"},
    {348, "Help"},
    {349, "Please enter a name for the voice effect."},
    // The options sheet and its General page
    {350, "Voice Effects"},
    {351, "Background"},
    {352, "Fun Sounds"},
    {353, "Shortcut Keys"},
    {354, "General"},
    {355, "Start Voxwarp with the desktop session"},
    {356, "Recording sound device"},
    {357, "Source"},
    {358, "Playback sound device"},
    {359, "Apply"},

    // Voice Effects and Shortcut Keys pages: buttons, the listen mode, accessible names and the
    // capture hint
    {360, "New..."},
    {361, "Edit..."},
    {362, "Listen to my voice while \"on air\""},
    {363, "Always"},
    {364, "When a Voice Effect is active"},
    {365, "Test volume"},
    {366, "Put the selected effect into %s"},
    {367, "Voice effect library"},
    {368, "Press the new key combination now. Esc keeps the previous one."},
    {369, "Remove"},

    // Background and Fun Sounds pages: list captions, New Group..., the test volume, group names
    {370, "New Group..."},
    {371, "Background sounds:"},
    {372, "Used Fun Sounds:"},
    {373, "Groups and sounds:"},
    {375, "The name \"%s\" cannot be used: a name must not be empty, contain \"/\" or be \".\" or "
          "\"..\"."},
    {376, "Cannot rename directory"},
    {377, "A group named \"%s\" already exists."},
    {378, "Use the selected sound for \"%s\""},
    {379, "Add the selected sound to the used Fun Sounds"},

    // Help without a web browser
    {380, "No web browser could be started to show the help.\nThe help page is:\n%s"},

    // Main window: the controls' accessible names, the tray menu and the About box
    {382, "Choose Voice Effect %d"},
    {384, "Background %d Volume"},
    {385, "Choose Background %d"},
    {386, "Monitor"},
    {387, "Monitor Volume"},
    {388, "About"},
    {389, "Minimize"},
    {390, "Exit"},
    {391, "Oscilloscope"},
    {392, "Voxwarp Microphone in use"},
    {393, "&Exit"},
    {394, "Version %s"},
    {395, "Built on %s"},
    {396, "About %s"},
};
const size_t kResStringCount = sizeof kResStrings / sizeof kResStrings[0];

const char* FindResString(unsigned id) {
    const ResString* end = kResStrings + kResStringCount;
    const ResString* it = std::lower_bound(kResStrings, end, id,
                                           [](const ResString& s, unsigned v) { return s.id < v; });
    return it != end && it->id == id ? it->text : nullptr;
}
