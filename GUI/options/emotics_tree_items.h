// The items of the Fun Sounds page's folder tree: each keeps its path relative to the fun
// sounds folder ("Animals", "Animals/dog.wav") and whether it is a group or a sound.
#pragma once

#include <string>

class QTreeWidgetItem;

namespace emoticstree {

// A group item (a sub-folder; its name can be edited) or a sound item (a ".wav" file, shown
// without ".wav"). GUI thread.
QTreeWidgetItem* MakeGroup(const std::string& path);
QTreeWidgetItem* MakeSound(const std::string& path);

bool IsSound(const QTreeWidgetItem* item);
bool IsGroup(const QTreeWidgetItem* item);
std::string PathOf(const QTreeWidgetItem* item);
// Gives a renamed group and everything under it their paths below newPath.
void MovePaths(QTreeWidgetItem* group, const std::string& newPath);

// Whether name can name a group: not empty, no '/', not "." or "..". Any thread.
bool IsUsableName(const std::string& name);

} // namespace emoticstree
