#include "options/pg_shortcuts.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

#include "base/mlog.h"
#include "base/strtable.h"
#include "common/ui_text.h"
#include "config/config.h"
#include "keyboard/shortcut.h"
#include "options/key_capture_codes.h"

namespace {

constexpr unsigned kVoiceEffectN = 271; // "Voice Effect %d"
constexpr unsigned kListen = 272;
constexpr unsigned kFunSoundN = 273;   // "Fun Sound %d"
constexpr unsigned kBackgroundN = 274; // "Background %d"
constexpr unsigned kStopAll = 275;
constexpr unsigned kActionColumn = 276;
constexpr unsigned kKeyColumn = 277;
constexpr unsigned kVolume = 278;
constexpr unsigned kChange = 279;
constexpr unsigned kPressKeys = 280;
constexpr unsigned kCaptureHint = 368;
constexpr unsigned kRemove = 369;

QString Numbered(unsigned id, int number) {
    return QString::fromStdString(UiFormat(id, number));
}

// The lines in their order on the page, each with its hot-key action.
struct ActionLine {
    keyboard::HotKeyAction action;
    QString text;
};

std::array<ActionLine, keyboard::kHotKeyActionCount> ActionLines() {
    using keyboard::HotKeyAction;
    std::array<ActionLine, keyboard::kHotKeyActionCount> lines;
    int line = 0;
    for (int slot = 1; slot <= 3; ++slot)
        lines[line++] = {
            static_cast<HotKeyAction>(static_cast<int>(HotKeyAction::VoiceEffect1) + slot - 1),
            Numbered(kVoiceEffectN, slot)};
    lines[line++] = {HotKeyAction::Listen, UiText(kListen)};
    for (int slot = 1; slot <= 3; ++slot)
        lines[line++] = {
            static_cast<HotKeyAction>(static_cast<int>(HotKeyAction::FunSound1) + slot - 1),
            Numbered(kFunSoundN, slot)};
    // Each background slot: its line, then its volume up and down ("%s %s +", "%s %s -").
    for (int slot = 1; slot <= 3; ++slot) {
        const int first = static_cast<int>(HotKeyAction::BackSound1) + (slot - 1) * 3;
        const QString background = Numbered(kBackgroundN, slot);
        const QString volume = background + QLatin1Char(' ') + UiText(kVolume);
        lines[line++] = {static_cast<HotKeyAction>(first), background};
        lines[line++] = {static_cast<HotKeyAction>(first + 1), volume + QStringLiteral(" +")};
        lines[line++] = {static_cast<HotKeyAction>(first + 2), volume + QStringLiteral(" -")};
    }
    lines[line++] = {HotKeyAction::Stop, UiText(kStopAll)};
    return lines;
}

constexpr int kActionRole = Qt::UserRole;

} // namespace

CPgShortcuts::CPgShortcuts(OptionsContext& context, QWidget* parent)
    : COptionsPage(context, kIdShortcuts, parent) {
    setObjectName(QStringLiteral("PgShortcuts"));
    BuildControls();
    UpdateButtons();
}

CPgShortcuts::~CPgShortcuts() {
    if (capturing_)
        EndCapture(true);
}

QString CPgShortcuts::Title() const {
    return QString::fromStdString(LoadStr(353)); // the tab's caption
}

void CPgShortcuts::BuildControls() {
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("shortcuts"));
    list_->setAccessibleName(UiText(kKeyColumn));
    list_->setColumnCount(2);
    list_->setHeaderLabels({UiText(kActionColumn), UiText(kKeyColumn)});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    list_->header()->setStretchLastSection(false);
    for (const ActionLine& line : ActionLines()) {
        auto* item = new QTreeWidgetItem(list_, {line.text, QString()});
        item->setData(0, kActionRole, static_cast<int>(line.action));
    }

    change_ = new QPushButton(UiText(kChange), this);
    change_->setObjectName(QStringLiteral("change"));
    change_->setAccessibleName(UiText(kChange));
    change_->setAutoDefault(false);
    // One width for both captions, with room around the text, so the button neither clips nor
    // jumps when capturing starts.
    const QFontMetrics metrics(change_->font());
    change_->setMinimumWidth(std::max(metrics.horizontalAdvance(UiText(kChange)),
                                      metrics.horizontalAdvance(UiText(kPressKeys))) +
                             2 * metrics.averageCharWidth() + 16);
    remove_ = new QPushButton(UiText(kRemove), this);
    remove_->setObjectName(QStringLiteral("remove"));
    remove_->setAccessibleName(UiText(kRemove));
    remove_->setAutoDefault(false);
    hint_ = new QLabel(UiText(kCaptureHint), this);
    hint_->setObjectName(QStringLiteral("hint"));
    hint_->setWordWrap(true);
    hint_->setForegroundRole(QPalette::PlaceholderText);
    hint_->setVisible(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(change_);
    buttons->addWidget(remove_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    layout->addWidget(hint_);
    setTabOrder(list_, change_);
    setTabOrder(change_, remove_);

    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (capturing_)
            EndCapture(true);
        UpdateButtons();
    });
    // A double click changes the line's key; Enter stays with the sheet's default button.
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (!capturing_ && SelectedAction() >= 0)
            StartCapture();
    });
    connect(change_, &QPushButton::clicked, this, &CPgShortcuts::OnChangeClicked);
    connect(remove_, &QPushButton::clicked, this, &CPgShortcuts::OnRemoveClicked);
}

void CPgShortcuts::UpdatePage() {
    if (capturing_)
        EndCapture(true);
    for (int row = 0; row < list_->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = list_->topLevelItem(row);
        const int action = item->data(0, kActionRole).toInt();
        item->setText(1, QString::fromStdString(
                             context_.working.shortcuts[static_cast<std::size_t>(action)]));
    }
    UpdateButtons();
}

int CPgShortcuts::SelectedAction() const {
    const QList<QTreeWidgetItem*> items = list_->selectedItems();
    return items.isEmpty() ? -1 : items.front()->data(0, kActionRole).toInt();
}

void CPgShortcuts::UpdateButtons() {
    const int action = SelectedAction();
    change_->setText(UiText(capturing_ ? kPressKeys : kChange));
    change_->setAccessibleName(change_->text());
    change_->setEnabled(action >= 0);
    hint_->setVisible(capturing_);
    // The list holds the keyboard while capturing: a screen reader reads the hint from it.
    list_->setAccessibleDescription(capturing_ ? hint_->text() : QString());
    const bool hasKey =
        action >= 0 && !context_.working.shortcuts[static_cast<std::size_t>(action)].empty();
    remove_->setEnabled(capturing_ || hasKey);
}

void CPgShortcuts::OnChangeClicked() {
    if (capturing_)
        EndCapture(true); // a second click keeps the previous key
    else
        StartCapture();
}

void CPgShortcuts::OnRemoveClicked() {
    const int action = capturing_ ? captureAction_ : SelectedAction();
    if (capturing_)
        EndCapture(false);
    if (action < 0)
        return;
    Store(action, std::string());
    list_->setFocus();
}

void CPgShortcuts::StartCapture() {
    const int action = SelectedAction();
    if (action < 0)
        return;
    LogPlain("Shortcut capture: %d", action);
    capturing_ = true;
    captureAction_ = action;
    previousText_ = context_.working.shortcuts[static_cast<std::size_t>(action)];
    mainKey_ = 0;
    mainKeyPressed_ = false;
    modifiers_ = 0;
    pressedKeys_ = 0;
    // Every key goes to the list while capturing, Tab and Alt combinations included; the
    // application filter keeps them from focus moves and the dialog's shortcuts.
    qApp->installEventFilter(this);
    list_->grabKeyboard();
    UpdateButtons();
}

void CPgShortcuts::EndCapture(bool restore) {
    if (!capturing_)
        return;
    capturing_ = false;
    list_->releaseKeyboard();
    qApp->removeEventFilter(this);
    if (restore)
        ShowKeyText(captureAction_, previousText_);
    captureAction_ = -1;
    UpdateButtons();
}

bool CPgShortcuts::eventFilter(QObject* watched, QEvent* event) {
    if (!capturing_)
        return COptionsPage::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return COptionsPage::eventFilter(watched, event);
    // Key events reach a widget window first and are passed on to a widget: take them there,
    // once.
    if (!watched->isWidgetType())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    key->accept();
    if (type == QEvent::KeyPress)
        OnKeyPressed(key->key(), key->modifiers());
    else if (type == QEvent::KeyRelease && !key->isAutoRepeat())
        OnKeyReleased();
    return true;
}

void CPgShortcuts::OnKeyPressed(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (qtKey == Qt::Key_Escape) {
        EndCapture(true);
        list_->setFocus();
        return;
    }
    ++pressedKeys_;
    const std::uint32_t virtualKey = keycapture::VirtualKey(qtKey, modifiers);
    // A modifier key's own press may or may not carry its flag: add it.
    modifiers_ = keycapture::ModifierBits(modifiers);
    if (virtualKey == keyboard::kVkMenu)
        modifiers_ |= keyboard::kModAlt;
    else if (virtualKey == keyboard::kVkControl)
        modifiers_ |= keyboard::kModCtrl;
    else if (virtualKey == keyboard::kVkShift)
        modifiers_ |= keyboard::kModShift;
    else {
        // Any other key is the main key; one without a name in the table shows nothing.
        mainKey_ = virtualKey;
        mainKeyPressed_ = true;
    }
    ShowKeyText(captureAction_, keyboard::ShortcutToText({modifiers_, mainKey_}));
}

void CPgShortcuts::OnKeyReleased() {
    if (pressedKeys_ == 0)
        return; // the release of a key pressed before capture began
    const int action = captureAction_;
    const bool withMainKey = mainKeyPressed_;
    const std::string shown = keyboard::ShortcutToText({modifiers_, mainKey_});
    EndCapture(false);
    // With a main key the shown text is parsed back and stored; only modifiers leave no
    // shortcut.
    Store(action,
          withMainKey ? keyboard::ShortcutToText(keyboard::TextToShortcut(shown)) : std::string());
    list_->setFocus();
}

void CPgShortcuts::Store(int action, const std::string& text) {
    context_.working.shortcuts[static_cast<std::size_t>(action)] = text;
    ShowKeyText(action, text);
    LogPlain("Shortcut %d: \"%s\"", action, text.c_str());
    SetModified();
    UpdateButtons();
}

void CPgShortcuts::ShowKeyText(int action, const std::string& text) {
    for (int row = 0; row < list_->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = list_->topLevelItem(row);
        if (item->data(0, kActionRole).toInt() == action)
            item->setText(1, QString::fromStdString(text));
    }
}

void CPgShortcuts::hideEvent(QHideEvent* event) {
    if (capturing_)
        EndCapture(true);
    COptionsPage::hideEvent(event);
}
