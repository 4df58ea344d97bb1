// CPgEmotics's folder tree: filling it from the fun sounds folder, and the folder operations
// New Group..., Delete, Import... and renaming a group in place. They change the folder at once.
#include "options/pg_emotics.h"

#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>
#include <set>
#include <vector>

#include "base/mlog.h"
#include "common/message_box.h"
#include "config/config.h"
#include "effect/effect_library.h"
#include "options/emotics_tree_items.h"
#include "options/sound_page_texts.h"

using namespace soundtext;
namespace fs = std::filesystem;

namespace {

std::string Join(const std::string& group, const std::string& name) {
    return group.empty() ? name : group + "/" + name;
}

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Adds the groups (first) and the sounds of a folder of the fun sound folder.
void AddGroup(const FunSoundGroup& group, const std::function<void(QTreeWidgetItem*)>& add) {
    for (const FunSoundGroup& child : group.groups) {
        QTreeWidgetItem* item = emoticstree::MakeGroup(child.path);
        add(item);
        AddGroup(child, [item](QTreeWidgetItem* grandchild) { item->addChild(grandchild); });
    }
    for (const std::string& sound : group.sounds)
        add(emoticstree::MakeSound(sound));
}

void CollectExpanded(const QTreeWidgetItem* item, std::set<std::string>& expanded) {
    for (int i = 0; i < item->childCount(); ++i) {
        const QTreeWidgetItem* child = item->child(i);
        if (child->isExpanded())
            expanded.insert(emoticstree::PathOf(child));
        CollectExpanded(child, expanded);
    }
}

QTreeWidgetItem* FindIn(QTreeWidgetItem* item, const std::string& path) {
    for (int i = 0; i < item->childCount(); ++i) {
        QTreeWidgetItem* child = item->child(i);
        if (emoticstree::PathOf(child) == path)
            return child;
        if (QTreeWidgetItem* found = FindIn(child, path))
            return found;
    }
    return nullptr;
}

void ExpandAll(QTreeWidgetItem* item, const std::set<std::string>& expanded) {
    for (int i = 0; i < item->childCount(); ++i) {
        QTreeWidgetItem* child = item->child(i);
        if (expanded.count(emoticstree::PathOf(child)) != 0)
            child->setExpanded(true);
        ExpandAll(child, expanded);
    }
}

} // namespace

void CPgEmotics::FillTree() {
    const std::string selected = emoticstree::PathOf(tree_->currentItem());
    std::set<std::string> expanded;
    CollectExpanded(tree_->invisibleRootItem(), expanded);
    {
        const QSignalBlocker block(tree_);
        tree_->clear();
        AddGroup(FunSoundTree(context_.working),
                 [this](QTreeWidgetItem* item) { tree_->addTopLevelItem(item); });
        ExpandAll(tree_->invisibleRootItem(), expanded);
    }
    if (QTreeWidgetItem* item = selected.empty() ? nullptr : FindTreeItem(selected))
        tree_->setCurrentItem(item);
    UpdateButtons();
}

QTreeWidgetItem* CPgEmotics::FindTreeItem(const std::string& path) const {
    return FindIn(tree_->invisibleRootItem(), path);
}

std::string CPgEmotics::SelectedGroup() const {
    const QTreeWidgetItem* item = tree_->currentItem();
    if (item == nullptr || !item->isSelected())
        return {};
    const std::string path = emoticstree::PathOf(item);
    return emoticstree::IsGroup(item) ? path : ParentOf(path);
}

void CPgEmotics::NewGroup() {
    const std::string group = SelectedGroup();
    LogScope scope("CPgEmotics::OnNewGroup", "%s", group.c_str());
    const fs::path parent = fs::path(context_.working.FunSoundFolder()) / group;
    std::string name = kNewGroupName;
    std::error_code error;
    for (int n = 2; fs::exists(fs::symlink_status(parent / name, error)); ++n)
        name = std::string(kNewGroupName) + " (" + std::to_string(n) + ")";
    fs::create_directories(parent / name, error);
    if (error || !fs::is_directory(parent / name, error)) {
        LogError("%s: %s", LoadStr(kFolderNotCreated).c_str(), (parent / name).c_str());
        ShowMessage(this, LoadStr(kFolderNotCreated), MessageIcon::Error);
        return;
    }
    FillTree();
    QTreeWidgetItem* item = FindTreeItem(Join(group, name));
    if (item == nullptr)
        return;
    if (item->parent() != nullptr)
        item->parent()->setExpanded(true);
    tree_->setCurrentItem(item);
    tree_->setFocus();
    tree_->editItem(item, 0);
}

void CPgEmotics::GroupRenamed(QTreeWidgetItem* item, int column) {
    if (column != 0 || !emoticstree::IsGroup(item))
        return;
    const std::string oldPath = emoticstree::PathOf(item);
    const std::string oldName = oldPath.substr(oldPath.rfind('/') + 1);
    const std::string newName = item->text(0).toStdString();
    if (newName == oldName)
        return;
    LogScope scope("CPgEmotics::OnRenameGroup", "%s -> %s", oldPath.c_str(), newName.c_str());
    auto refuse = [&](const std::string& text) {
        {
            const QSignalBlocker block(tree_);
            item->setText(0, QString::fromStdString(oldName));
        }
        LogError("%s", text.c_str());
        ShowMessage(this, text, MessageIcon::Error);
    };
    if (!emoticstree::IsUsableName(newName)) {
        refuse(Format(kBadName, newName.c_str()));
        return;
    }
    const std::string newPath = Join(ParentOf(oldPath), newName);
    const std::string folder = context_.working.FunSoundFolder();
    std::error_code error;
    // A rename onto an empty folder would replace it: a name that is taken is refused.
    if (fs::exists(fs::symlink_status(folder + newPath, error))) {
        refuse(Format(kGroupExists, newName.c_str()));
        return;
    }
    fs::rename(folder + oldPath, folder + newPath, error);
    if (error) {
        refuse(LoadStr(kFolderNotRenamed));
        return;
    }
    {
        const QSignalBlocker block(tree_);
        emoticstree::MovePaths(item, newPath);
    }
    const std::string oldPrefix = oldPath + "/";
    FollowFiles([&](FunSound& sound) {
        if (sound.file.compare(0, oldPrefix.size(), oldPrefix) == 0)
            sound.file = newPath + "/" + sound.file.substr(oldPrefix.size());
        return true;
    });
}

void CPgEmotics::DeleteFromTree() {
    QTreeWidgetItem* item = tree_->currentItem();
    if (item == nullptr || !item->isSelected())
        return;
    const std::string path = emoticstree::PathOf(item);
    if (path.empty() || !IsPlainRelativePath(path))
        return;
    const std::string name = item->text(0).toStdString();
    StopTest();
    if (emoticstree::IsSound(item)) {
        if (!Ask(Format(kConfirmDeleteFun, name.c_str()), false))
            return;
        if (RunFileOperation([&] { DeleteFunSound(context_.working, path); }))
            FollowFiles([&](FunSound& sound) { return sound.file != path; });
        FillTree();
        return;
    }
    if (item->childCount() > 0) {
        ShowMessage(this, Format(kGroupNotEmpty, name.c_str()), MessageIcon::Warning);
        return;
    }
    if (!Ask(Format(kConfirmDeleteGroup, name.c_str()), false))
        return;
    std::error_code error;
    const std::string folder = context_.working.FunSoundFolder() + path;
    if (!fs::remove(folder, error) || error) {
        LogError("%s: %s", LoadStr(kFolderNotDeleted).c_str(), folder.c_str());
        ShowMessage(this, LoadStr(kFolderNotDeleted), MessageIcon::Error);
    }
    FillTree();
}

void CPgEmotics::ImportSound() {
    const std::string source = ChooseImport(kFunImportFilter);
    if (source.empty())
        return;
    const std::string group = SelectedGroup();
    const std::string name = ImportedSoundName(source);
    const std::string relative = Join(group, name);
    const std::string stored =
        name.empty() ? std::string() : context_.working.FunSoundFolder() + relative;
    const bool imported = ImportReplacing(
        source, stored, kReplaceFun, [&] { DeleteFunSound(context_.working, relative); },
        [&] { ImportFunSound(context_.working, source, group); });
    FillTree();
    if (!imported)
        return;
    if (QTreeWidgetItem* item = FindTreeItem(relative)) {
        if (item->parent() != nullptr)
            item->parent()->setExpanded(true);
        tree_->setCurrentItem(item);
    }
}

void CPgEmotics::FollowFiles(const std::function<bool(FunSound&)>& update) {
    auto rewrite = [&update](std::vector<FunSound>& sounds) {
        const std::vector<FunSound> before = sounds;
        std::vector<FunSound> after;
        for (FunSound sound : sounds) {
            if (update(sound))
                after.push_back(std::move(sound));
        }
        sounds = std::move(after);
        return sounds != before;
    };
    StoreUsed();
    if (rewrite(context_.working.emotics)) {
        FillUsed();
        UpdateButtons();
        SetModified();
    }
    if (rewrite(context_.running.emotics))
        context_.running.WriteEmotics();
}
