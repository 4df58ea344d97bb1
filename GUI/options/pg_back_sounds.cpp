#include "options/pg_back_sounds.h"

#include "base/strtable.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "base/mlog.h"
#include "common/ui_text.h"
#include "config/config.h"
#include "effect/effect_library.h"
#include "options/options_server.h"
#include "options/sound_page_texts.h"

using namespace soundtext;

namespace {

// Length of ".wav", which the list leaves off.
constexpr std::size_t kWavLength = 4;

} // namespace

CPgBackSounds::CPgBackSounds(OptionsContext& context, QWidget* parent)
    : CSoundPage(context, kIdBackSounds, kBackLoadError, &AppConfig::testVolBack, parent) {
    setObjectName(QStringLiteral("PgBackSounds"));
    BuildControls();
}

QString CPgBackSounds::Title() const {
    return QString::fromStdString(LoadStr(351)); // the tab's caption
}

void CPgBackSounds::BuildControls() {
    auto* slotGrid = new QGridLayout;
    slotGrid->setHorizontalSpacing(6);
    slotGrid->setVerticalSpacing(8);
    for (int slot = 0; slot < AppConfig::kBackSoundSlots; ++slot) {
        const QString name = QString::fromStdString(Format(kBackgroundN, slot + 1));
        // Alt and the slot's number reach its field; Alt+B is the list's.
        QString caption = name;
        const qsizetype digit = caption.lastIndexOf(QString::number(slot + 1));
        caption.insert(digit >= 0 ? digit : 0, QLatin1Char('&'));
        auto* label = new QLabel(caption, this);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("description%1").arg(slot));
        edit->setAccessibleName(name);
        edit->setMinimumWidth(150);
        label->setBuddy(edit);
        auto* use = new QPushButton(QStringLiteral("<<"), this);
        use->setObjectName(QStringLiteral("use%1").arg(slot));
        use->setAccessibleName(
            QString::fromStdString(Format(kUseForSlot, name.toStdString().c_str())));
        use->setToolTip(use->accessibleName());
        use->setAutoDefault(false);
        use->setFixedWidth(use->sizeHint().height() * 2);
        descriptions_[static_cast<std::size_t>(slot)] = edit;
        useButtons_[static_cast<std::size_t>(slot)] = use;
        slotGrid->addWidget(label, slot * 2, 0, 1, 2);
        slotGrid->addWidget(edit, slot * 2 + 1, 0);
        slotGrid->addWidget(use, slot * 2 + 1, 1);
        connect(edit, &QLineEdit::textEdited, this,
                [this, slot](const QString& text) { DescriptionEdited(slot, text); });
        connect(use, &QPushButton::clicked, this, [this, slot] { UseForSlot(slot); });
    }
    auto* slotColumn = new QVBoxLayout;
    slotColumn->addLayout(slotGrid);
    slotColumn->addStretch();

    auto* listLabel = new QLabel(UiMnemonic(kBackSoundList), this);
    sounds_ = new QListWidget(this);
    sounds_->setObjectName(QStringLiteral("sounds"));
    sounds_->setAccessibleName(UiAccessibleName(kBackSoundList));
    sounds_->setSelectionMode(QAbstractItemView::SingleSelection);
    sounds_->setMinimumSize(180, 160);
    listLabel->setBuddy(sounds_);

    import_ = MakeButton(kImport, "import");
    delete_ = MakeButton(kDelete, "delete");
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(import_);
    buttons->addWidget(delete_);
    buttons->addSpacing(12);
    buttons->addWidget(testButton_);
    buttons->addStretch();

    auto* listRow = new QHBoxLayout;
    listRow->addWidget(sounds_, 1);
    listRow->addLayout(buttons);
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(listLabel);
    listColumn->addLayout(listRow, 1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(16);
    layout->addLayout(slotColumn);
    layout->addLayout(listColumn, 1);

    // The slotGrid top to bottom, then the list and its buttons.
    QWidget* previous = nullptr;
    for (int slot = 0; slot < AppConfig::kBackSoundSlots; ++slot) {
        QWidget* edit = descriptions_[static_cast<std::size_t>(slot)];
        if (previous != nullptr)
            setTabOrder(previous, edit);
        setTabOrder(edit, useButtons_[static_cast<std::size_t>(slot)]);
        previous = useButtons_[static_cast<std::size_t>(slot)];
    }
    setTabOrder(previous, sounds_);
    setTabOrder(sounds_, import_);
    setTabOrder(import_, delete_);
    setTabOrder(delete_, testButton_);

    connect(sounds_, &QListWidget::itemSelectionChanged, this, [this] {
        StopTest();
        UpdateButtons();
    });
    auto* deleteKey =
        new QShortcut(QKeySequence::Delete, sounds_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, [this] { DeleteSelected(); });
    connect(import_, &QPushButton::clicked, this, [this] { ImportSound(); });
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    connect(testButton_, &QPushButton::clicked, this, [this] {
        const std::string file = SelectedFile();
        ToggleTest(file.empty() ? file : context_.working.BackSoundFolder() + file);
    });
}

void CPgBackSounds::UpdatePage() {
    for (int slot = 0; slot < AppConfig::kBackSoundSlots; ++slot) {
        const BackSoundSlot& sound = context_.working.backSounds[static_cast<std::size_t>(slot)];
        QLineEdit* edit = descriptions_[static_cast<std::size_t>(slot)];
        edit->setText(QString::fromStdString(sound.descr));
        edit->setToolTip(QString::fromStdString(sound.file));
    }
    {
        const QSignalBlocker block(testVolume_);
        testVolume_->setValue(context_.working.testVolBack);
    }
    FillList();
}

void CPgBackSounds::FillList() {
    const std::string selected = SelectedFile();
    const QSignalBlocker block(sounds_);
    sounds_->clear();
    for (const std::string& file : ListBackSounds(context_.working)) {
        auto* item = new QListWidgetItem(
            QString::fromStdString(file.substr(0, file.size() - kWavLength)), sounds_);
        item->setData(Qt::UserRole, QString::fromStdString(file));
        if (file == selected)
            sounds_->setCurrentItem(item);
    }
    UpdateButtons();
}

void CPgBackSounds::UpdateButtons() {
    const bool selected = !SelectedFile().empty();
    for (QPushButton* use : useButtons_)
        use->setEnabled(selected);
    delete_->setEnabled(selected);
    testButton_->setEnabled(selected);
}

std::string CPgBackSounds::SelectedFile() const {
    const QList<QListWidgetItem*> items = sounds_->selectedItems();
    return items.isEmpty() ? std::string()
                           : items.front()->data(Qt::UserRole).toString().toStdString();
}

void CPgBackSounds::UseForSlot(int slot) {
    const std::string file = SelectedFile();
    if (file.empty())
        return;
    const std::string name = sounds_->selectedItems().front()->text().toStdString();
    LogPlain("CPgBackSounds::OnUse slot=%d, file=%s", slot, file.c_str());
    BackSoundSlot& target = context_.working.backSounds[static_cast<std::size_t>(slot)];
    target = BackSoundSlot{};
    target.file = file;
    target.descr = name;
    target.volume = 100;
    QLineEdit* edit = descriptions_[static_cast<std::size_t>(slot)];
    edit->setText(QString::fromStdString(target.descr));
    edit->setToolTip(QString::fromStdString(target.file));
    SetModified();
}

void CPgBackSounds::DescriptionEdited(int slot, const QString& text) {
    context_.working.backSounds[static_cast<std::size_t>(slot)].descr = text.toStdString();
    SetModified();
}

void CPgBackSounds::ImportSound() {
    const std::string source = ChooseImport(kBackImportFilter);
    if (source.empty())
        return;
    const std::string name = ImportedSoundName(source);
    const std::string stored = context_.working.BackSoundFolder() + name;
    const bool imported = ImportReplacing(
        source, name.empty() ? std::string() : stored, kReplaceBack,
        [this, name] { RemoveSound(name); },
        [this, source] { ImportBackSound(context_.working, source); });
    FillList();
    if (!imported)
        return;
    // The new sound is selected, ready for "<<".
    for (int row = 0; row < sounds_->count(); ++row) {
        if (sounds_->item(row)->data(Qt::UserRole).toString().toStdString() == name)
            sounds_->setCurrentRow(row);
    }
}

void CPgBackSounds::DeleteSelected() {
    const std::string file = SelectedFile();
    if (file.empty())
        return;
    const std::string name = sounds_->selectedItems().front()->text().toStdString();
    if (!Ask(Format(kConfirmDeleteBack, name.c_str()), false))
        return;
    StopTest();
    if (RunFileOperation([this, file] { RemoveSound(file); }))
        sounds_->clearSelection();
    FillList();
}

void CPgBackSounds::RemoveSound(const std::string& fileName) {
    LogScope scope("CPgBackSounds::RemoveSound", "%s", fileName.c_str());
    DeleteBackSound(context_.working, fileName);
    // The server plays the running configuration's slotGrid: those that play the sound go silent
    // now, not at the next reload.
    const bool connected = context_.server.Connected();
    for (int slot = 0; slot < AppConfig::kBackSoundSlots; ++slot) {
        const auto index = static_cast<std::size_t>(slot);
        BackSoundSlot& running = context_.running.backSounds[index];
        if (running.file == fileName) {
            if (connected)
                context_.server.BackSoundSelect(slot, "");
            running = BackSoundSlot{};
            context_.running.WriteBackSound(slot);
        }
        BackSoundSlot& working = context_.working.backSounds[index];
        if (working.file == fileName) {
            working = BackSoundSlot{};
            descriptions_[index]->clear();
            descriptions_[index]->setToolTip(QString());
        }
    }
}
