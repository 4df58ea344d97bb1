#include "options/emotics_tree_items.h"

#include <QApplication>
#include <QStyle>
#include <QTreeWidgetItem>

namespace emoticstree {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kSoundRole = Qt::UserRole + 1;
constexpr std::size_t kWavLength = 4; // ".wav"

std::string LastPart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

QTreeWidgetItem* MakeGroup(const std::string& path) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::fromStdString(LastPart(path)));
    item->setData(0, kPathRole, QString::fromStdString(path));
    item->setData(0, kSoundRole, false);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setIcon(0, QApplication::style()->standardIcon(QStyle::SP_DirIcon));
    return item;
}

QTreeWidgetItem* MakeSound(const std::string& path) {
    auto* item = new QTreeWidgetItem;
    const std::string name = LastPart(path);
    item->setText(0, QString::fromStdString(name.substr(0, name.size() - kWavLength)));
    item->setData(0, kPathRole, QString::fromStdString(path));
    item->setData(0, kSoundRole, true);
    item->setIcon(0, QApplication::style()->standardIcon(QStyle::SP_MediaVolume));
    return item;
}

bool IsSound(const QTreeWidgetItem* item) {
    return item != nullptr && item->data(0, kSoundRole).toBool();
}

bool IsGroup(const QTreeWidgetItem* item) {
    return item != nullptr && !item->data(0, kSoundRole).toBool();
}

std::string PathOf(const QTreeWidgetItem* item) {
    return item == nullptr ? std::string() : item->data(0, kPathRole).toString().toStdString();
}

void MovePaths(QTreeWidgetItem* group, const std::string& newPath) {
    group->setData(0, kPathRole, QString::fromStdString(newPath));
    for (int i = 0; i < group->childCount(); ++i) {
        QTreeWidgetItem* child = group->child(i);
        const std::string childPath = newPath + "/" + LastPart(PathOf(child));
        if (IsGroup(child))
            MovePaths(child, childPath);
        else
            child->setData(0, kPathRole, QString::fromStdString(childPath));
    }
}

bool IsUsableName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

} // namespace emoticstree
