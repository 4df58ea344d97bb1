// The string table ids of the voice effect editor, and its messages filled in printf style.
#pragma once

#include <string>

#include "common/ui_text.h"

namespace edittext {

constexpr unsigned kTitle = 340;
constexpr unsigned kName = 341;
constexpr unsigned kUsedVst = 342;
constexpr unsigned kAvailableVst = 343;
constexpr unsigned kUse = 344;
constexpr unsigned kImport = 345;
constexpr unsigned kDelete = 346;
constexpr unsigned kOk = 347;
constexpr unsigned kCancel = 187;
constexpr unsigned kHelp = 348;
constexpr unsigned kNameMissing = 349;

constexpr unsigned kReplacePlugin = 138; // 'A VST plug-in named "%s" already exists...'
constexpr unsigned kLoseChanges = 217;   // 'You are losing the changes you've done to...'
constexpr unsigned kImportFilter = 228;  // "VST plug-ins (*.so)|*.so||"
constexpr unsigned kLoadError = 266;     // 'Error loading VST plug-in: %s\nError string: %s'
constexpr unsigned kDuplicateName = 267; // 'An effect with the name "%s" already exists...'
constexpr unsigned kConfirmDelete = 269; // "Warning: This will completely remove..."
constexpr unsigned kPluginInUse = 270;   // "You can not delete this plug-in..."

// The text of id filled with args, as a message box shows it.
template <typename... Args>
std::string Format(unsigned id, Args... args) {
    return UiFormat(id, args...);
}

} // namespace edittext
