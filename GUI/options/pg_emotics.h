// CPgEmotics: the options page "Fun Sounds". The used list holds the fun sounds of the main
// window (description and file, descriptions edited in place); the tree shows the fun sounds
// folder, whose sub-folders are groups (renamed in place) and whose ".wav" files are sounds.
// "<<" adds the selected sound to the used list; New Group..., Delete and Import... work on the
// folder at once. Every path taken from the tree or typed by the user stays inside the folder.
#pragma once

#include <functional>
#include <string>

#include "options/sound_page.h"

struct FunSound;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CPgEmotics : public CSoundPage {
    Q_OBJECT

public:
    // The name a new group gets (with " (2)", " (3)"... when it is taken).
    static constexpr const char* kNewGroupName = "New Folder";

    explicit CPgEmotics(OptionsContext& context, QWidget* parent = nullptr);

    QString Title() const override;
    void UpdatePage() override;
    // Writes the used list into the working copy's fun sounds.
    void ApplyPage() override;

private:
    void BuildControls();
    void UpdateButtons();

    // Used list.
    void FillUsed();
    // The used list into the working copy.
    void StoreUsed();
    void AddSelected();
    void DeleteUsed();
    void UsedEdited(QTreeWidgetItem* item, int column);

    // Folder tree (pg_emotics_tree.cpp). Refills it from the folder, keeping what was selected
    // and expanded.
    void FillTree();
    // The tree item of a relative path, or nullptr.
    QTreeWidgetItem* FindTreeItem(const std::string& path) const;
    // The group the folder operations work in: the selected group, the group of the selected
    // sound, or the folder itself ("").
    std::string SelectedGroup() const;
    void NewGroup();
    void DeleteFromTree();
    void ImportSound();
    void GroupRenamed(QTreeWidgetItem* item, int column);
    // The used fun sounds of both configurations follow a file operation: update changes a
    // sound's file where needed and returns false for a sound whose file is gone. The running
    // configuration's changed list is written at once, as the files have changed already.
    void FollowFiles(const std::function<bool(FunSound&)>& update);

    // The full path of the sound to test, "" when none is selected.
    std::string TestPath();

    QTreeWidget* used_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* deleteUsed_ = nullptr;
    QPushButton* newGroup_ = nullptr;
    QPushButton* deleteTree_ = nullptr;
    QPushButton* import_ = nullptr;
    // Test plays the sound of the list the user selected in last.
    bool testFromTree_ = false;
};
