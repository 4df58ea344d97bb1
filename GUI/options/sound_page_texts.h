// The string table ids of the Background and Fun Sounds pages, and their messages filled in
// printf style.
#pragma once

#include <string>

#include "common/ui_text.h"

namespace soundtext {

constexpr unsigned kTest = 110;
constexpr unsigned kStop = 111;
constexpr unsigned kFolderNotDeleted = 144; // "Cannot delete directory"
constexpr unsigned kFolderNotCreated = 145; // "Cannot create directory"
constexpr unsigned kConfirmDeleteBack = 209;
constexpr unsigned kReplaceBack = 210;
constexpr unsigned kBackLoadError = 211;
constexpr unsigned kGroupNotEmpty = 214;
constexpr unsigned kFunSlotsFull = 215;
constexpr unsigned kConfirmDeleteGroup = 216;
constexpr unsigned kDescription = 224;
constexpr unsigned kFile = 225;
constexpr unsigned kFunLoadError = 226;
constexpr unsigned kFunImportFilter = 227;
constexpr unsigned kBackImportFilter = 229;
constexpr unsigned kConfirmDeleteFun = 230;
constexpr unsigned kReplaceFun = 231;
constexpr unsigned kTestNotStarted = 234; // 'Error starting test stream: %s'
constexpr unsigned kBackgroundN = 274;    // "Background %d"
constexpr unsigned kImport = 345;
constexpr unsigned kDelete = 346;
constexpr unsigned kNewGroup = 370;
constexpr unsigned kBackSoundList = 371;
constexpr unsigned kUsedFunSounds = 372;
constexpr unsigned kFunSoundTree = 373;
constexpr unsigned kTestVolume = 365;
constexpr unsigned kBadName = 375;
constexpr unsigned kFolderNotRenamed = 376;
constexpr unsigned kGroupExists = 377;
constexpr unsigned kUseForSlot = 378;
constexpr unsigned kAddToUsed = 379;

// The text of id filled with args, as a message box shows it.
template <typename... Args>
std::string Format(unsigned id, Args... args) {
    return UiFormat(id, args...);
}

} // namespace soundtext
