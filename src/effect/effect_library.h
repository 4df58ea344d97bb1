// The voice effect library's operations on the user's material: finding and deleting voice
// effects, and importing, listing and deleting plug-ins (effects/), background sounds
// (backsounds/) and fun sounds (emoticsounds/). Every failure of a file operation throws
// MyError with the localised message of the step that failed.
#pragma once

#include <string>
#include <vector>

#include "base/types.h"
#include "config/config.h"

// Index of the first voice effect whose name equals name without regard to case, or -1.
int FindVoiceEffect(const std::vector<VoiceEffect>& effects, const std::string& name);

// Empties every effect slot that holds exactly this effect's name (case counts), then removes
// the effect from the library. An index outside the library does nothing.
void DeleteVoiceEffect(AppConfig& config, int index);

// Plug-in folder + name + ".so".
std::string PluginPath(const AppConfig& config, const std::string& plugin);

// The file name of an import source: the text after the last '/' of an absolute path; empty
// for a path that is not absolute.
std::string ImportFileName(const std::string& sourcePath);

// Loads the plug-in with processing off and unloads it again; true when it loaded. message is
// the text of the load result.
bool TestPlugin(const std::string& path, std::string& message);

// Copies a plug-in into the plug-in folder as <plug-in name>.so, after checking its name, that
// no plug-in of that name exists and that it loads.
void ImportPlugin(const AppConfig& config, const std::string& sourcePath);
bool PluginExists(const AppConfig& config, const std::string& plugin);
void DeletePlugin(const AppConfig& config, const std::string& plugin);
// Plug-in names (file names without ".so") in the plug-in folder, sorted.
std::vector<std::string> ListPlugins(const AppConfig& config);

// Stores a WAV file, converted to the mixing format, in the background or fun sound folder
// under its own file name with ".wav" in place of any other extension, and returns that name.
// Parallel imports each convert into a file of their own; of two with the same name, the
// later one finds the sound there already.
std::string ImportBackSound(const AppConfig& config, const std::string& sourcePath);
std::string ImportFunSound(const AppConfig& config, const std::string& sourcePath);
// The same into a group of the fun sound folder: group is a folder path relative to it ("" for
// the folder itself). A group that could lead out of the folder (see IsPlainRelativePath) is
// refused with text 375.
std::string ImportFunSound(const AppConfig& config, const std::string& sourcePath,
                           const std::string& group);
// The file name an import stores sourcePath under; empty for a path that is not absolute.
std::string ImportedSoundName(const std::string& sourcePath);
// Whether path stays inside the folder it is taken relative to: not absolute, and no part that
// is empty, "." or "..". The empty path (the folder itself) counts as inside.
bool IsPlainRelativePath(const std::string& path);
bool BackSoundExists(const AppConfig& config, const std::string& fileName);
bool FunSoundExists(const AppConfig& config, const std::string& fileName);
void DeleteBackSound(const AppConfig& config, const std::string& fileName);
void DeleteFunSound(const AppConfig& config, const std::string& fileName);
// The ".wav" files of the folder, sorted.
std::vector<std::string> ListBackSounds(const AppConfig& config);
std::vector<std::string> ListFunSounds(const AppConfig& config);

// A folder of the fun sound folder: its groups (sub-folders) first, then its ".wav" sounds (the
// extension compared without case), each sorted by name; paths relative to the fun sound folder,
// "/"-separated ("Animals", "Animals/dog.wav"). Links and hidden files are left out (a link could
// lead out of the folder, hidden files are imports' temporary files), and groups deeper than
// kMaxFunSoundGroupDepth are not read, so that a folder nested without end cannot hang a caller.
struct FunSoundGroup {
    std::string name; // "" for the fun sound folder itself
    std::string path;
    std::vector<FunSoundGroup> groups;
    std::vector<std::string> sounds;
};
constexpr int kMaxFunSoundGroupDepth = 16;
FunSoundGroup FunSoundTree(const AppConfig& config);

// The folder of the last imported sound, where the next file dialog starts; empty at first.
std::string LastImportFolder();
