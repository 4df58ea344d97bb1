// The program folder: where the configuration, the sound folders, plug-ins, skins, language
// files and logs of every program live.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Everything the resolution looks at, so that it can be run on a prepared setting.
struct ProgramFolderSetting {
    std::string voxwarpHome; // $VOXWARP_HOME; empty when unset
    std::string exeFolder;   // the running executable's folder
    bool exeFolderWritable = false;
    std::string xdgDataHome; // $XDG_DATA_HOME; empty when unset
    std::string home;        // the user's home folder
};

// The setting of this process: its environment and executable.
ProgramFolderSetting CurrentProgramFolderSetting();

// Resolves the program folder, in this order:
// 1. $VOXWARP_HOME when set (created when missing);
// 2. the executable's folder when it is writable (build tree, unpacked archive) and is not an
//    installed program's (one with <exe folder>/../share/voxwarp/);
// 3. $XDG_DATA_HOME/voxwarp, or ~/.local/share/voxwarp when $XDG_DATA_HOME is unset or not an
//    absolute path. On first use this folder is created and filled from the installed default
//    content in <exe folder>/../share/voxwarp/: only missing files are copied, files of the user
//    are never overwritten.
// The result ends in '/'. error receives 0 or the errno value of a failed creation or copy (the
// folder is returned all the same: reads then give defaults and writes report their failure).
std::string ResolveProgramFolder(const ProgramFolderSetting& setting, int* error = nullptr);

// The program folder of this process, resolved once from its setting.
const std::string& ProgramFolder();

} // namespace platform
