#include "options/pg_effects.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "audio/wmme.h"
#include "base/mlog.h"
#include "base/strtable.h"
#include "common/message_box.h"
#include "common/ui_text.h"
#include "config/config.h"
#include "editeffect/edit_effect.h"
#include "editeffect/edit_effect_texts.h"
#include "effect/effect_library.h"
#include "options/options_server.h"
#include "teststream/test_stream.h"

namespace {

constexpr unsigned kTest = 110;
constexpr unsigned kNoPlugin = 212;      // 'VST plug-in for effect "%s" is not defined'
constexpr unsigned kLoadFailed = 213;    // 'Error loading effect: %s'
constexpr unsigned kStartFailed = 234;   // 'Error starting test stream: %s'
constexpr unsigned kConfirmDelete = 218; // 'Do you really want delete the effect "%s"'
constexpr unsigned kNameColumn = 258;
constexpr unsigned kPluginColumn = 263;
constexpr unsigned kVoiceEffectN = 271; // "Voice Effect %d"
constexpr unsigned kUsedVst = 342;
constexpr unsigned kDelete = 346;
constexpr unsigned kNew = 360;
constexpr unsigned kEdit = 361;
constexpr unsigned kListenCaption = 362;
constexpr unsigned kAlways = 363;
constexpr unsigned kOnlyActive = 364;
constexpr unsigned kTestVolume = 365;
constexpr unsigned kPutInto = 366; // "Put the selected effect into %s"
constexpr unsigned kLibrary = 367;

QString SlotName(int slot) {
    return QString::fromStdString(UiFormat(kVoiceEffectN, slot + 1));
}

// A button with its caption's first letter as the Alt shortcut.
QPushButton* MakeButton(unsigned id, const QString& objectName, QWidget* parent) {
    auto* button = new QPushButton(UiMnemonic(id), parent);
    button->setObjectName(objectName);
    button->setAccessibleName(UiText(id).remove(QStringLiteral("...")));
    button->setAutoDefault(false);
    return button;
}

} // namespace

CPgEffects::CPgEffects(OptionsContext& context, QWidget* parent)
    : COptionsPage(context, kIdEffects, parent) {
    setObjectName(QStringLiteral("PgEffects"));
    BuildControls();
    UpdateButtons();
}

QString CPgEffects::Title() const {
    return QString::fromStdString(LoadStr(350)); // the tab's caption
}

void CPgEffects::BuildControls() {
    // The three slots, each with its "<<" that takes the selected library effect.
    auto* slotGrid = new QGridLayout;
    slotGrid->setHorizontalSpacing(6);
    slotGrid->setVerticalSpacing(10);
    for (int slot = 0; slot < AppConfig::kEffectSlots; ++slot) {
        auto* label = new QLabel(SlotName(slot), this);
        auto* text = new QLineEdit(this);
        text->setObjectName(QStringLiteral("slot%1").arg(slot + 1));
        text->setReadOnly(true);
        text->setAccessibleName(SlotName(slot));
        text->setMinimumWidth(140);
        label->setBuddy(text);
        auto* put = new QPushButton(QStringLiteral("<<"), this);
        put->setObjectName(QStringLiteral("put%1").arg(slot + 1));
        put->setAccessibleName(UiText(kPutInto).replace(QStringLiteral("%s"), SlotName(slot)));
        put->setToolTip(put->accessibleName());
        put->setAutoDefault(false);
        put->setFixedWidth(put->sizeHint().height() * 3 / 2);
        slotGrid->addWidget(label, slot * 2, 0, 1, 2);
        slotGrid->addWidget(text, slot * 2 + 1, 0);
        slotGrid->addWidget(put, slot * 2 + 1, 1);
        slots_[static_cast<std::size_t>(slot)] = text;
        putButtons_[static_cast<std::size_t>(slot)] = put;
        connect(put, &QPushButton::clicked, this, [this, slot] { PutIntoSlot(slot); });
    }
    auto* slotColumn = new QVBoxLayout;
    slotColumn->addLayout(slotGrid);
    slotColumn->addStretch(1);

    library_ = new QTreeWidget(this);
    library_->setObjectName(QStringLiteral("library"));
    library_->setAccessibleName(UiText(kLibrary));
    library_->setColumnCount(2);
    library_->setHeaderLabels({UiText(kNameColumn), UiText(kPluginColumn)});
    library_->setRootIsDecorated(false);
    library_->setUniformRowHeights(true);
    library_->setAllColumnsShowFocus(true);
    library_->setSelectionMode(QAbstractItemView::SingleSelection);
    library_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    library_->setMinimumSize(260, 180);

    auto* usedLabel = new QLabel(UiText(kUsedVst), this);
    usedVst_ = new QLineEdit(this);
    usedVst_->setObjectName(QStringLiteral("usedVst"));
    usedVst_->setReadOnly(true);
    usedVst_->setAccessibleName(UiText(kUsedVst).remove(QLatin1Char(':')).trimmed());
    usedLabel->setBuddy(usedVst_);
    auto* usedRow = new QHBoxLayout;
    usedRow->addWidget(usedLabel);
    usedRow->addWidget(usedVst_, 1);

    new_ = MakeButton(kNew, QStringLiteral("new"), this);
    edit_ = MakeButton(kEdit, QStringLiteral("edit"), this);
    delete_ = MakeButton(kDelete, QStringLiteral("delete"), this);
    test_ = MakeButton(kTest, QStringLiteral("test"), this);
    test_->setCheckable(true); // stays pressed while the effect plays
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new_);
    buttons->addWidget(edit_);
    buttons->addWidget(delete_);
    buttons->addStretch(1);
    buttons->addWidget(test_);

    auto* libraryColumn = new QVBoxLayout;
    libraryColumn->addWidget(library_, 1);
    libraryColumn->addLayout(usedRow);
    libraryColumn->addLayout(buttons);

    auto* top = new QHBoxLayout;
    top->setSpacing(12);
    top->addLayout(slotColumn);
    top->addLayout(libraryColumn, 1);

    auto* listen = new QGroupBox(UiText(kListenCaption), this);
    listen->setObjectName(QStringLiteral("listen"));
    always_ = new QRadioButton(UiText(kAlways), listen);
    always_->setObjectName(QStringLiteral("always"));
    always_->setAccessibleName(UiText(kAlways));
    onlyActive_ = new QRadioButton(UiText(kOnlyActive), listen);
    onlyActive_->setObjectName(QStringLiteral("onlyActive"));
    onlyActive_->setAccessibleName(UiText(kOnlyActive));
    auto* listenLayout = new QHBoxLayout(listen);
    listenLayout->addWidget(always_);
    listenLayout->addWidget(onlyActive_);
    listenLayout->addStretch(1);

    // Hidden: the volume of an effect test, stored at once (not by Apply).
    testVolume_ = new QSlider(Qt::Horizontal, this);
    testVolume_->setObjectName(QStringLiteral("testVolume"));
    testVolume_->setAccessibleName(UiText(kTestVolume));
    testVolume_->setRange(0, 100);
    testVolume_->setVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(12);
    layout->addLayout(top, 1);
    layout->addWidget(listen);
    layout->addWidget(testVolume_);

    // Slots with their "<<", then the library and its buttons, then the listen mode.
    QWidget* order[] = {slots_[0],      putButtons_[0], slots_[1], putButtons_[1], slots_[2],
                        putButtons_[2], library_,       usedVst_,  new_,           edit_,
                        delete_,        test_,          always_,   onlyActive_};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(library_, &QTreeWidget::itemSelectionChanged, this, &CPgEffects::OnSelectionChanged);
    // A double click edits the effect; Enter stays with the sheet's default button.
    connect(library_, &QTreeWidget::itemDoubleClicked, this, [this] { OnEdit(); });
    connect(new_, &QPushButton::clicked, this, &CPgEffects::OnNew);
    connect(edit_, &QPushButton::clicked, this, &CPgEffects::OnEdit);
    connect(delete_, &QPushButton::clicked, this, &CPgEffects::OnDelete);
    connect(test_, &QPushButton::toggled, this, &CPgEffects::OnTestToggled);
    connect(always_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            OnListenChosen(false);
    });
    connect(onlyActive_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            OnListenChosen(true);
    });
    connect(testVolume_, &QSlider::valueChanged, this, &CPgEffects::OnTestVolume);
}

void CPgEffects::UpdatePage() {
    updating_ = true;
    (context_.working.listenOnly ? onlyActive_ : always_)->setChecked(true);
    testVolume_->setValue(context_.working.testVolVEff);
    updating_ = false;
    ShowSlots();
    FillLibrary(SelectedName());
}

void CPgEffects::FillLibrary(const std::string& select) {
    updating_ = true;
    library_->clear();
    const std::vector<VoiceEffect>& effects = context_.working.voiceEffects;
    QTreeWidgetItem* selected = nullptr;
    for (std::size_t i = 0; i < effects.size(); ++i) {
        auto* item = new QTreeWidgetItem(library_, {QString::fromStdString(effects[i].name),
                                                    QString::fromStdString(effects[i].plugin)});
        item->setData(0, Qt::UserRole, static_cast<int>(i));
        if (selected == nullptr && !select.empty() && effects[i].name == select)
            selected = item;
    }
    if (selected != nullptr) {
        library_->setCurrentItem(selected);
        selected->setSelected(true);
    }
    updating_ = false;
    UpdateButtons();
    if (selected == nullptr)
        ReleaseTest();
}

void CPgEffects::ShowSlots() {
    for (int slot = 0; slot < AppConfig::kEffectSlots; ++slot)
        slots_[static_cast<std::size_t>(slot)]->setText(
            QString::fromStdString(context_.working.effects[static_cast<std::size_t>(slot)]));
}

int CPgEffects::SelectedEffect() const {
    const QList<QTreeWidgetItem*> items = library_->selectedItems();
    if (items.isEmpty())
        return -1;
    const int index = items.front()->data(0, Qt::UserRole).toInt();
    return index >= 0 && index < static_cast<int>(context_.working.voiceEffects.size()) ? index
                                                                                        : -1;
}

std::string CPgEffects::SelectedName() const {
    const int index = SelectedEffect();
    return index < 0 ? std::string()
                     : context_.working.voiceEffects[static_cast<std::size_t>(index)].name;
}

void CPgEffects::UpdateButtons() {
    const int index = SelectedEffect();
    const bool selected = index >= 0;
    for (QPushButton* put : putButtons_)
        put->setEnabled(selected);
    edit_->setEnabled(selected);
    delete_->setEnabled(selected);
    test_->setEnabled(selected);
    usedVst_->setText(
        selected ? QString::fromStdString(
                       context_.working.voiceEffects[static_cast<std::size_t>(index)].plugin)
                 : QString());
}

void CPgEffects::OnSelectionChanged() {
    if (updating_)
        return;
    const bool testing = test_->isChecked();
    if (testing || context_.testStream.IsRunning())
        context_.testStream.Stop();
    UpdateButtons();
    if (SelectedEffect() < 0) {
        ReleaseTest();
        return;
    }
    // While Test is pressed, a newly selected effect is heard at once.
    if (testing && !StartSelectedTest())
        ReleaseTest();
}

void CPgEffects::PutIntoSlot(int slot) {
    const std::string name = SelectedName();
    if (name.empty())
        return;
    LogPlain("Effect slot %d: %s", slot, name.c_str());
    context_.working.effects[static_cast<std::size_t>(slot)] = name;
    ShowSlots();
    SetModified();
}

void CPgEffects::OnTestToggled(bool pressed) {
    if (pressed) {
        if (!StartSelectedTest())
            ReleaseTest();
    } else {
        context_.testStream.Stop();
    }
}

bool CPgEffects::StartSelectedTest() {
    const int index = SelectedEffect();
    if (index < 0)
        return false;
    const VoiceEffect effect = context_.working.voiceEffects[static_cast<std::size_t>(index)];
    LogScope scope("CPgEffects::TestEffect", "%s", effect.name.c_str());
    if (effect.plugin.empty()) {
        ShowMessage(this, edittext::Format(kNoPlugin, effect.name.c_str()), MessageIcon::Warning);
        return false;
    }
    TestStream& stream = context_.testStream;
    stream.Stop();
    const PnVstErrorNum loaded = stream.LoadEffect(PluginPath(context_.working, effect.plugin));
    if (loaded != kVstSuccess) {
        ShowMessage(this, edittext::Format(kLoadFailed, PnVstErrorText(loaded).c_str()),
                    MessageIcon::Error);
        return false;
    }
    stream.Effect().SetParams(effect.params);
    stream.SetPlayVolume(context_.working.testVolVEff);
    ServerMonitorOff();
    // The sheet keeps the stream open on the working copy's devices.
    const MmeErrorNum started = stream.TestStart();
    if (started != kMmeSuccess) {
        stream.Stop();
        ShowMessage(this, edittext::Format(kStartFailed, MmeErrorText(started).c_str()),
                    MessageIcon::Error);
        return false;
    }
    return true;
}

void CPgEffects::ReleaseTest() {
    const QSignalBlocker block(test_);
    test_->setChecked(false);
}

void CPgEffects::StopTest() {
    ReleaseTest();
    COptionsPage::StopTest();
}

void CPgEffects::OnTestEnded() {
    // A notice of a test that was replaced by a newer one comes while that one runs.
    if (test_->isChecked() && !context_.testStream.IsRunning())
        ReleaseTest();
}

void CPgEffects::OnNew() {
    EditEffect(VoiceEffect{}, std::string());
}

void CPgEffects::OnEdit() {
    const int index = SelectedEffect();
    if (index < 0)
        return;
    const VoiceEffect effect = context_.working.voiceEffects[static_cast<std::size_t>(index)];
    EditEffect(effect, effect.name);
}

void CPgEffects::EditEffect(const VoiceEffect& effect, const std::string& original) {
    LogScope scope("CPgEffects::EditEffect", "%s", original.c_str());
    StopTest();
    ServerMonitorOff();
    AppConfig& working = context_.working;
    int result;
    VoiceEffect edited;
    {
        CEditEffect dialog(effect, working, context_.running, &context_.testStream, this);
        dialog.SetServerProbe([this] { return context_.server.Connected(); });
        result = runEditor_ ? runEditor_(dialog) : dialog.exec();
        edited = dialog.Effect();
    }
    // The editor leaves its plug-in in the test stream.
    context_.testStream.Stop();
    // Deleting a plug-in in the editor may have dropped library effects and emptied slots.
    if (result != QDialog::Accepted) {
        ShowSlots();
        FillLibrary(SelectedName());
        return;
    }
    const int index = original.empty() ? -1 : FindVoiceEffect(working.voiceEffects, original);
    if (index >= 0)
        working.voiceEffects[static_cast<std::size_t>(index)] = edited;
    else
        working.voiceEffects.push_back(edited);
    // Slots that named the effect follow its new name.
    if (!original.empty() && original != edited.name)
        for (std::string& slot : working.effects)
            if (slot == original)
                slot = edited.name;
    SetModified();
    ShowSlots();
    FillLibrary(edited.name);
}

void CPgEffects::OnDelete() {
    const int index = SelectedEffect();
    if (index < 0)
        return;
    const std::string name = SelectedName();
    if (ShowMessage(this, edittext::Format(kConfirmDelete, name.c_str()), MessageIcon::Warning,
                    MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    StopTest();
    LogPlain("Delete effect %s", name.c_str());
    DeleteVoiceEffect(context_.working, index);
    ShowSlots();
    FillLibrary(std::string());
    SetModified();
}

void CPgEffects::OnListenChosen(bool onlyWhenActive) {
    if (updating_ || context_.working.listenOnly == onlyWhenActive)
        return;
    context_.working.listenOnly = onlyWhenActive;
    SetModified();
}

void CPgEffects::OnTestVolume(int value) {
    if (updating_)
        return;
    const auto volume = static_cast<std::uint8_t>(value);
    context_.testStream.SetPlayVolume(volume);
    context_.working.testVolVEff = volume;
    context_.running.testVolVEff = volume;
    // Written at once, not by Apply: the running configuration's section.
    if (!context_.running.WriteMonitors())
        LogWarning("CPgEffects: test volume not written");
}
