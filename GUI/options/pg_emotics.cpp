#include "options/pg_emotics.h"

#include "base/strtable.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/mlog.h"
#include "common/message_box.h"
#include "common/ui_text.h"
#include "config/config.h"
#include "effect/effect_library.h"
#include "options/emotics_tree_items.h"
#include "options/sound_page_texts.h"

using namespace soundtext;

namespace {

// Column 0 of a used line keeps its last accepted description here, to go back to when an edit
// leaves it empty.
constexpr int kAcceptedRole = Qt::UserRole + 1;

QTreeWidgetItem* UsedLine(const FunSound& sound) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::fromStdString(sound.name));
    item->setData(0, kAcceptedRole, QString::fromStdString(sound.name));
    item->setText(1, QString::fromStdString(sound.file));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    return item;
}

} // namespace

CPgEmotics::CPgEmotics(OptionsContext& context, QWidget* parent)
    : CSoundPage(context, kIdEmotics, kFunLoadError, &AppConfig::testVolEmotic, parent) {
    setObjectName(QStringLiteral("PgEmotics"));
    BuildControls();
}

QString CPgEmotics::Title() const {
    return QString::fromStdString(LoadStr(352)); // the tab's caption
}

void CPgEmotics::BuildControls() {
    auto* usedLabel = new QLabel(UiMnemonic(kUsedFunSounds), this);
    used_ = new QTreeWidget(this);
    used_->setObjectName(QStringLiteral("used"));
    used_->setAccessibleName(UiAccessibleName(kUsedFunSounds));
    used_->setColumnCount(2);
    used_->setHeaderLabels({UiText(kDescription), UiText(kFile)});
    used_->setRootIsDecorated(false);
    used_->setSelectionMode(QAbstractItemView::SingleSelection);
    used_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::SelectedClicked);
    used_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    used_->setMinimumSize(220, 200);
    usedLabel->setBuddy(used_);
    deleteUsed_ = MakeButton(kDelete, "deleteUsed");
    deleteUsed_->setAccessibleName(
        QStringLiteral("%1 (%2)").arg(UiText(kDelete), UiAccessibleName(kUsedFunSounds)));
    auto* usedButtons = new QHBoxLayout;
    usedButtons->addWidget(deleteUsed_);
    usedButtons->addWidget(testButton_);
    usedButtons->addStretch();
    auto* usedColumn = new QVBoxLayout;
    usedColumn->addWidget(usedLabel);
    usedColumn->addWidget(used_, 1);
    usedColumn->addLayout(usedButtons);

    add_ = new QPushButton(QStringLiteral("<<"), this);
    add_->setObjectName(QStringLiteral("add"));
    add_->setAccessibleName(UiText(kAddToUsed));
    add_->setToolTip(UiText(kAddToUsed));
    add_->setAutoDefault(false);
    add_->setFixedWidth(add_->sizeHint().height() * 2);
    auto* addColumn = new QVBoxLayout;
    addColumn->addStretch();
    addColumn->addWidget(add_);
    addColumn->addStretch();

    auto* treeLabel = new QLabel(UiMnemonic(kFunSoundTree), this);
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("tree"));
    tree_->setAccessibleName(UiAccessibleName(kFunSoundTree));
    tree_->setHeaderHidden(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::SelectedClicked);
    tree_->setMinimumSize(180, 200);
    treeLabel->setBuddy(tree_);
    newGroup_ = MakeButton(kNewGroup, "newGroup");
    deleteTree_ = MakeButton(kDelete, "deleteTree");
    deleteTree_->setAccessibleName(
        QStringLiteral("%1 (%2)").arg(UiText(kDelete), UiAccessibleName(kFunSoundTree)));
    import_ = MakeButton(kImport, "import");
    auto* treeButtons = new QHBoxLayout;
    treeButtons->addWidget(newGroup_);
    treeButtons->addWidget(deleteTree_);
    treeButtons->addWidget(import_);
    treeButtons->addStretch();
    auto* treeColumn = new QVBoxLayout;
    treeColumn->addWidget(treeLabel);
    treeColumn->addWidget(tree_, 1);
    treeColumn->addLayout(treeButtons);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addLayout(usedColumn, 3);
    layout->addLayout(addColumn);
    layout->addLayout(treeColumn, 2);

    // The used list and its buttons, "<<", then the folder and its buttons.
    setTabOrder(used_, deleteUsed_);
    setTabOrder(deleteUsed_, testButton_);
    setTabOrder(testButton_, add_);
    setTabOrder(add_, tree_);
    setTabOrder(tree_, newGroup_);
    setTabOrder(newGroup_, deleteTree_);
    setTabOrder(deleteTree_, import_);

    connect(used_, &QTreeWidget::itemSelectionChanged, this, [this] {
        StopTest();
        testFromTree_ = false;
        UpdateButtons();
    });
    connect(tree_, &QTreeWidget::itemSelectionChanged, this, [this] {
        StopTest();
        testFromTree_ = true;
        UpdateButtons();
    });
    connect(used_, &QTreeWidget::itemChanged, this, &CPgEmotics::UsedEdited);
    connect(tree_, &QTreeWidget::itemChanged, this, &CPgEmotics::GroupRenamed);
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (emoticstree::IsSound(item))
            AddSelected();
    });
    // Del on a list deletes its selected line or item, as its Delete button does.
    auto* deleteUsedKey =
        new QShortcut(QKeySequence::Delete, used_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(deleteUsedKey, &QShortcut::activated, this, [this] { DeleteUsed(); });
    auto* deleteTreeKey =
        new QShortcut(QKeySequence::Delete, tree_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(deleteTreeKey, &QShortcut::activated, this, [this] { DeleteFromTree(); });
    connect(add_, &QPushButton::clicked, this, [this] { AddSelected(); });
    connect(deleteUsed_, &QPushButton::clicked, this, [this] { DeleteUsed(); });
    connect(newGroup_, &QPushButton::clicked, this, [this] { NewGroup(); });
    connect(deleteTree_, &QPushButton::clicked, this, [this] { DeleteFromTree(); });
    connect(import_, &QPushButton::clicked, this, [this] { ImportSound(); });
    connect(testButton_, &QPushButton::clicked, this, [this] { ToggleTest(TestPath()); });
}

void CPgEmotics::UpdatePage() {
    {
        const QSignalBlocker block(testVolume_);
        testVolume_->setValue(context_.working.testVolEmotic);
    }
    FillUsed();
    FillTree();
    UpdateButtons();
}

void CPgEmotics::ApplyPage() {
    StoreUsed();
}

void CPgEmotics::UpdateButtons() {
    QTreeWidgetItem* usedLine = used_->currentItem();
    const bool usedSelected = usedLine != nullptr && usedLine->isSelected();
    QTreeWidgetItem* treeItem = tree_->currentItem();
    const bool treeSelected = treeItem != nullptr && treeItem->isSelected();
    add_->setEnabled(treeSelected && emoticstree::IsSound(treeItem));
    deleteUsed_->setEnabled(usedSelected);
    deleteTree_->setEnabled(treeSelected);
    testButton_->setEnabled(testFromTree_ ? treeSelected && emoticstree::IsSound(treeItem)
                                          : usedSelected);
}

void CPgEmotics::FillUsed() {
    const QSignalBlocker block(used_);
    used_->clear();
    for (const FunSound& sound : context_.working.emotics)
        used_->addTopLevelItem(UsedLine(sound));
}

void CPgEmotics::StoreUsed() {
    std::vector<FunSound> sounds;
    for (int row = 0; row < used_->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = used_->topLevelItem(row);
        sounds.push_back(FunSound{item->text(1).toStdString(), item->text(0).toStdString()});
    }
    context_.working.emotics = std::move(sounds);
}

void CPgEmotics::AddSelected() {
    QTreeWidgetItem* sound = tree_->currentItem();
    if (sound == nullptr || !emoticstree::IsSound(sound))
        return;
    if (used_->topLevelItemCount() >= context_.maxFunSounds) {
        ShowMessage(this, LoadStr(kFunSlotsFull), MessageIcon::Warning);
        return;
    }
    const FunSound added{emoticstree::PathOf(sound), sound->text(0).toStdString()};
    LogPlain("CPgEmotics::OnAdd %s", added.file.c_str());
    QTreeWidgetItem* after = used_->currentItem();
    const int row = after != nullptr && after->isSelected() ? used_->indexOfTopLevelItem(after) + 1
                                                            : used_->topLevelItemCount();
    QTreeWidgetItem* line = UsedLine(added);
    {
        const QSignalBlocker block(used_);
        used_->insertTopLevelItem(row, line);
    }
    used_->setCurrentItem(line);
    // The tree keeps the turn for Test: the user goes on choosing there.
    testFromTree_ = true;
    UpdateButtons();
    StoreUsed();
    SetModified();
}

void CPgEmotics::DeleteUsed() {
    QTreeWidgetItem* line = used_->currentItem();
    if (line == nullptr || !line->isSelected())
        return;
    StopTest();
    delete line;
    used_->clearSelection();
    UpdateButtons();
    StoreUsed();
    SetModified();
}

void CPgEmotics::UsedEdited(QTreeWidgetItem* item, int column) {
    if (column != 0)
        return;
    const QString text = item->text(0);
    if (text.trimmed().isEmpty()) {
        // A fun sound without a description would be dropped when the configuration is read.
        const QSignalBlocker block(used_);
        item->setText(0, item->data(0, kAcceptedRole).toString());
        return;
    }
    if (text == item->data(0, kAcceptedRole).toString())
        return;
    {
        const QSignalBlocker block(used_);
        item->setData(0, kAcceptedRole, text);
    }
    StoreUsed();
    SetModified();
}

std::string CPgEmotics::TestPath() {
    std::string file;
    if (testFromTree_) {
        QTreeWidgetItem* item = tree_->currentItem();
        if (item != nullptr && emoticstree::IsSound(item))
            file = emoticstree::PathOf(item);
    } else if (QTreeWidgetItem* line = used_->currentItem(); line != nullptr) {
        file = line->text(1).toStdString();
    }
    if (file.empty())
        return file;
    if (!IsPlainRelativePath(file)) {
        ShowMessage(this, Format(kBadName, file.c_str()), MessageIcon::Error);
        return {};
    }
    return context_.working.FunSoundFolder() + file;
}
