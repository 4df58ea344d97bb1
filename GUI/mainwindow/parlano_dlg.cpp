#include "mainwindow/parlano_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenu>
#include <QSignalBlocker>
#include <QSystemTrayIcon>
#include <QWindow>

#include <algorithm>

#include "base/mlog.h"
#include "common/app_icon.h"
#include "common/help.h"
#include "common/message_box.h"
#include "common/ui_text.h"
#include "config/config.h"
#include "hotkeys/hot_keys.h"
#include "mainwindow/about_box.h"
#include "mainwindow/server_events.h"
#include "options/ipc_options_server.h"
#include "options/options_sheet.h"
#include "platform/sound/sound_server.h"
#include "scope/osci.h"
#include "skin/ff_button.h"
#include "skin/ff_slider_ctrl.h"
#include "skin/ff_static_text.h"
#include "skin/pn_list_box.h"

namespace {

constexpr unsigned kTextServerChannelError = 188;
constexpr unsigned kTextTrayExit = 393;
constexpr int kMaxStatusLines = 60; // the server reports this many fun sound slots

void RunOptionsSheet(QWidget* parent, AppConfig& config, int maxFunSounds) {
    IpcOptionsServer server;
    COptionsSheet sheet(config, server, parent);
    sheet.Context().maxFunSounds = maxFunSounds;
    sheet.exec();
}

} // namespace

CParlanoDlg::CParlanoDlg(AppConfig& config, MainWindowEnv env, QWidget* parent)
    : MainFace(parent), config_(config), env_(std::move(env)) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    if (!env_.readCounter)
        env_.readCounter = [] { return platform::VirtualCardReadCounter(1); };
    if (!env_.runOptions)
        env_.runOptions = RunOptionsSheet;
    if (!env_.runAbout)
        env_.runAbout = ShowAboutBox;
    hotKeys_ = env_.hotKeys ? std::move(env_.hotKeys) : std::make_unique<HotKeys>();
    connect(hotKeys_.get(), &HotKeys::activated, this, &CParlanoDlg::OnHotKey);
    lastCounter_ = env_.readCounter();
    timer_.setInterval(kLedPeriodMs);
    connect(&timer_, &QTimer::timeout, this, &CParlanoDlg::OnTimer);
    ConnectControls();
}

CParlanoDlg::~CParlanoDlg() {
    timer_.stop();
    if (state_)
        state_->ObserverStop();
    state_.reset();
    if (link_)
        link_->CliOnClose();
    OnServerStopped();
    hotKeys_->UnregisterAll();
}

void CParlanoDlg::ConnectControls() {
    for (int i = 0; i < 3; ++i) {
        for (SlotKind kind : {SlotKind::Effect, SlotKind::Background})
            WatchRadio(
                Radios(kind)[i], [this, kind, i](bool on) { OnSlotToggled(kind, i, on); },
                [this, kind, i] { ToggleSlot(kind, i); });
        connect(effectChoose[i], &QAbstractButton::clicked, this, [this, i] { ConfigEffect(i); });
        connect(backChoose[i], &QAbstractButton::clicked, this, [this, i] { ConfigSound(i); });
        connect(backVolume[i], &CFFSliderCtrl::userMoved, this,
                [this, i](int value) { ChangeSound(i, value); });
    }
    connect(funList, &CPNListBox::toggleRequested, this, &CParlanoDlg::PlayEmotic);
    connect(funList, &CPNListBox::chooseRequested, this,
            [this](int line, quint32, QPoint at) { ConfigEmotic(line, at); });
    connect(stopAll, &QAbstractButton::clicked, this, &CParlanoDlg::StopAll);
    WatchRadio(
        monitor,
        [this](bool on) {
            if (on != config_.monitorOn)
                ToggleMonitor();
        },
        [this] { ToggleMonitor(); });
    connect(monitorLevel, &CFFSliderCtrl::userMoved, this, &CParlanoDlg::ChangeMonitorLevel);
    connect(options, &QAbstractButton::clicked, this, &CParlanoDlg::OpenOptions);
    connect(help, &QAbstractButton::clicked, this, [this] { HelpShow(this, kHelpMainWindow); });
    connect(about, &QAbstractButton::clicked, this, [this] { env_.runAbout(this, config_); });
    connect(minimize, &QAbstractButton::clicked, this, &CParlanoDlg::MinimizeWindow);
    connect(exit, &QAbstractButton::clicked, this, &CParlanoDlg::ExitWindow);
}

bool CParlanoDlg::Init() {
    LogNote("CParlanoDlg::OnInitDialog");
    setWindowIcon(AppIcon());
    setWindowTitle(QString::fromStdString(ApplicationTitle()));
    EnableWindows(false);
    if (env_.observeServer) {
        state_ = std::make_unique<ProgrammState>();
        state_->ObserverStart(this);
    }
    if (!config_.Load())
        LogWarning("The configuration could not be read: defaults are shown");
    timer_.start();
    LogNote("CParlanoDlg::LoadSkin");
    // A relative skin path is taken from the program folder.
    QString skin = QString::fromStdString(config_.skinFile);
    skin.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir::isRelativePath(skin))
        skin = QDir(QString::fromStdString(config_.ProgramFolder())).filePath(skin);
    QString error;
    if (!LoadSkin(skin, &error)) {
        ShowMessageCaptioned(this, LoadStr(202), error.toStdString(), MessageIcon::Error);
        return false;
    }
    UpdateParams();
    funList->SetCurrentLine(-1);
    return true;
}

int CParlanoDlg::Exec() {
    show();
    QEventLoop loop;
    loop_ = &loop;
    const int result = loop.exec();
    loop_ = nullptr;
    return result;
}

// ---- The server's life ----

void CParlanoDlg::ServOnStart() {
    QMetaObject::invokeMethod(this, &CParlanoDlg::OnServerStarted, Qt::QueuedConnection);
}

void CParlanoDlg::ServOnStop() {
    QMetaObject::invokeMethod(this, &CParlanoDlg::OnServerStopped, Qt::QueuedConnection);
}

void CParlanoDlg::OnServerStarted() {
    LogNote("CParlanoDlg::ServOnStart");
    if (link_)
        return; // a repeated start: the channel is open already
    int error = 0;
    link_ = env_.openLink(error);
    if (!link_) {
        ShowMessage(this, UiFormat(kTextServerChannelError, static_cast<unsigned>(error)),
                    MessageIcon::Error);
        return;
    }
    link_->CliOnStarted();
    EnableWindows(true);
    config_.Load();
    const std::string problem = CheckParams(config_, env_.deviceNames());
    if (!problem.empty())
        ShowMessage(this, problem, MessageIcon::Warning);
    UpdateParams();
    events_ = std::make_unique<ServerEvents>(
        [scope = osci](const std::int16_t* samples, int count) { scope->SetData(samples, count); },
        [this] {
            // Only signal: the status is fetched on the GUI thread, once for a burst of events.
            if (!funSoundsPending_.exchange(true))
                QMetaObject::invokeMethod(this, &CParlanoDlg::RefreshFunSounds,
                                          Qt::QueuedConnection);
        });
    events_->Start();
    ShowServerErrors();
}

void CParlanoDlg::OnServerStopped() {
    if (!link_ && !events_)
        return;
    LogNote("CParlanoDlg::ServOnStop");
    EnableWindows(false);
    link_.reset();
    events_.reset(); // stops the command thread
}

// ---- Filling the controls ----

void CParlanoDlg::EnableWindows(bool on) {
    for (int i = 0; i < 3; ++i) {
        effectRadio[i]->setEnabled(on);
        backRadio[i]->setEnabled(on);
        if (on) {
            effectChoose[i]->setEnabled(true);
            backChoose[i]->setEnabled(true);
            backVolume[i]->setEnabled(true);
        }
    }
    stopAll->setEnabled(on);
    monitor->setEnabled(on);
    monitorLevel->setEnabled(on);
    funList->setEnabled(on);
}

void CParlanoDlg::UpdateParams() {
    for (int i = 0; i < AppConfig::kEffectSlots; ++i)
        SetSlotText(effectText[i], QString::fromStdString(config_.effects[i]));
    for (int i = 0; i < AppConfig::kBackSoundSlots; ++i) {
        backVolume[i]->setValue(config_.backSounds[i].volume);
        SetSlotText(backText[i], QString::fromStdString(config_.backSounds[i].descr));
    }
    ShowSelection(SlotKind::Effect, config_.activeEffect);
    ShowSelection(SlotKind::Background, config_.activeBackSound);

    funList->clear();
    const int limit = funList->MaxItems();
    for (std::size_t i = 0; i < config_.emotics.size(); ++i) {
        if (limit >= 0 && static_cast<int>(i) >= limit)
            break;
        funList->InsertLine(-1, QString::fromStdString(config_.emotics[i].name));
    }

    HotKeys::Texts texts;
    std::copy(config_.shortcuts.begin(), config_.shortcuts.end(), texts.begin());
    hotKeys_->SetShortcuts(texts);
    hotKeys_->RegisterAll();

    monitorLevel->setValue(config_.monitorVol);
    SetChecked(monitor, config_.monitorOn);
    monitorLevel->setEnabled(ServerStarted());
    if (ServerStarted())
        RefreshFunSounds(); // a refilled list shows again what plays
}

void CParlanoDlg::SetChecked(QAbstractButton* button, bool on) {
    const QSignalBlocker block(button); // showing a state is no user action
    button->setChecked(on);
}

const std::array<CFFButton*, 3>& CParlanoDlg::Radios(SlotKind kind) const {
    return kind == SlotKind::Effect ? effectRadio : backRadio;
}

int& CParlanoDlg::Selected(SlotKind kind) {
    return kind == SlotKind::Effect ? selectedEffect_ : selectedBackSound_;
}

void CParlanoDlg::ShowSelection(SlotKind kind, int slot) {
    int& selected = Selected(kind);
    selected = slot >= 0 && slot < 3 ? slot : -1;
    for (int i = 0; i < 3; ++i)
        SetChecked(Radios(kind)[i], i == selected);
}

void CParlanoDlg::RefreshFunSounds() {
    funSoundsPending_ = false;
    std::vector<bool> playing;
    if (!link_ || !link_->EmoticsStatus(playing))
        return;
    const int current = funList->CurrentLine();
    const int lines =
        std::min({funList->LineCount(), kMaxStatusLines, static_cast<int>(playing.size())});
    for (int i = 0; i < lines; ++i)
        funList->SetLineSelected(i, playing[i]);
    funList->SetCurrentLine(current);
}

void CParlanoDlg::ShowServerErrors() {
    std::vector<std::string> errors;
    if (!link_ || !link_->SrvGetErrors(errors) || errors.empty())
        return;
    std::string text;
    for (const std::string& error : errors)
        text += (text.empty() ? "" : "\n") + error;
    ShowMessage(this, text, MessageIcon::Error);
}

void CParlanoDlg::WriteFailed(const char* what, bool ok) {
    if (!ok)
        LogError("Cannot write the %s to the configuration", what);
}

// ---- Voice effects and backgrounds ----

// A mouse click on a radio that was off first toggles it on (toggled, then clicked); a click on
// the radio that is on changes nothing but emits clicked. Screen readers and UI automation
// toggle without clicking. So a change is taken from toggled, and a click that came without one
// is the click on the radio that was on already.
void CParlanoDlg::WatchRadio(QAbstractButton* radio, std::function<void(bool)> toggled,
                             std::function<void()> clickedWhileOn) {
    connect(radio, &QAbstractButton::toggled, this, [this, toggled](bool on) {
        toggledNow_ = true;
        QTimer::singleShot(0, this, [this] { toggledNow_ = false; });
        toggled(on);
    });
    connect(radio, &QAbstractButton::clicked, this, [this, clickedWhileOn] {
        if (toggledNow_)
            toggledNow_ = false;
        else
            clickedWhileOn();
    });
}

void CParlanoDlg::OnSlotToggled(SlotKind kind, int slot, bool on) {
    if (on)
        return Activate(kind, slot);
    // A click on another radio turns this one off just before it turns itself on: only a
    // radio still off afterwards means "none".
    QTimer::singleShot(0, this, [this, kind, slot] {
        if (slot == Selected(kind) && !Radios(kind)[slot]->isChecked())
            Activate(kind, -1);
    });
}

void CParlanoDlg::ToggleSlot(SlotKind kind, int slot) {
    // The active slot chosen again turns it off.
    Activate(kind, slot == Selected(kind) ? -1 : slot);
}

void CParlanoDlg::Activate(SlotKind kind, int selection) {
    ShowSelection(kind, selection);
    const int selected = Selected(kind);
    if (kind == SlotKind::Effect) {
        if (link_)
            link_->EffectSetActive(selected);
        config_.activeEffect = selected;
    } else {
        if (link_)
            link_->BackSoundSetActive(selected);
        config_.activeBackSound = selected;
    }
    WriteFailed("active effect and background", config_.WriteSys());
}

void CParlanoDlg::ChangeSound(int slot, int volume) {
    volume = std::clamp(volume, 0, 100);
    if (link_)
        link_->BackSoundSetVol(slot, static_cast<std::uint8_t>(volume));
    config_.backSounds[slot].volume = static_cast<std::uint16_t>(volume);
    WriteFailed("background volume", config_.WriteBackSound(slot));
}

void CParlanoDlg::ChangeSoundBy(int slot, int delta) {
    const int volume = std::clamp(backVolume[slot]->value() + delta, 0, 100);
    backVolume[slot]->setValue(volume);
    ChangeSound(slot, volume);
}

void CParlanoDlg::ConfigEffect(int slot) {
    QMenu menu(this);
    FillEffectMenu(menu, config_);
    const MenuChoice choice =
        ChoiceOf(env_.runMenu(menu, effectChoose[slot]->mapToGlobal(QPoint(0, 0))));
    if (choice.kind == MenuChoice::Kind::Dismissed)
        return;
    if (link_) {
        link_->EffectSelect(slot, choice.value);
        ShowServerErrors();
    }
    config_.effects[slot] = choice.value;
    SetSlotText(effectText[slot], QString::fromStdString(choice.value));
    WriteFailed("voice effects", config_.WriteEffects());
}

void CParlanoDlg::ConfigSound(int slot) {
    QMenu menu(this);
    FillBackgroundMenu(menu, config_);
    const MenuChoice choice =
        ChoiceOf(env_.runMenu(menu, backChoose[slot]->mapToGlobal(QPoint(0, 0))));
    if (choice.kind == MenuChoice::Kind::Dismissed)
        return;
    if (link_) {
        link_->BackSoundSelect(slot, choice.value);
        ShowServerErrors();
    }
    BackSoundSlot& sound = config_.backSounds[slot];
    sound.file = choice.value;
    sound.descr =
        choice.value.size() > 4 ? choice.value.substr(0, choice.value.size() - 4) : choice.value;
    SetSlotText(backText[slot], QString::fromStdString(sound.descr));
    WriteFailed("background sound", config_.WriteBackSound(slot));
}

// ---- Fun sounds ----

void CParlanoDlg::PlayEmotic(int line) {
    if (line < 0 || line >= funList->LineCount())
        return;
    const bool play = !funList->IsLineSelected(line);
    funList->SetLineSelected(line, play);
    if (link_) {
        if (play)
            link_->EmoticPlay(line);
        else
            link_->EmoticStop(line);
    }
}

void CParlanoDlg::ConfigEmotic(int line, const QPoint& at) {
    if (line < 0 || line >= static_cast<int>(config_.emotics.size()))
        return;
    QMenu menu(this);
    FillFunSoundMenu(menu, config_);
    const MenuChoice choice = ChoiceOf(env_.runMenu(menu, at));
    if (choice.kind != MenuChoice::Kind::Item)
        return; // Cancel changes nothing here
    FunSound& sound = config_.emotics[line];
    sound.file = choice.value;
    std::string name = choice.value.substr(choice.value.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    sound.name = dot == std::string::npos ? name : name.substr(0, dot);
    WriteFailed("fun sounds", config_.WriteEmotics());
    if (link_) {
        link_->EmoticSelect(line, sound.file);
        ShowServerErrors();
    }
    funList->SetLineText(line, QString::fromStdString(sound.name));
    funList->SetCurrentLine(line);
}

void CParlanoDlg::StopAll() {
    ShowSelection(SlotKind::Background, -1);
    ShowSelection(SlotKind::Effect, -1);
    if (link_) {
        link_->BackSoundSetActive(-1);
        link_->EffectSetActive(-1);
        link_->EmoticStopAll();
    }
    config_.activeBackSound = -1;
    config_.activeEffect = -1;
    WriteFailed("active effect and background", config_.WriteSys());
    for (int i = 0; i < funList->LineCount(); ++i)
        funList->SetLineSelected(i, false);
}

// ---- Monitor ----

void CParlanoDlg::ToggleMonitor() {
    config_.monitorOn = !config_.monitorOn;
    SetChecked(monitor, config_.monitorOn);
    monitorLevel->setEnabled(config_.monitorOn && ServerStarted());
    if (link_)
        link_->MonitorSet(config_.monitorOn);
    WriteFailed("monitor", config_.WriteMonitors());
}

void CParlanoDlg::ChangeMonitorLevel(int volume) {
    volume = std::clamp(volume, 0, 100);
    if (link_)
        link_->MonitorSetVol(static_cast<std::uint8_t>(volume));
    config_.monitorVol = static_cast<std::uint8_t>(volume);
    WriteFailed("monitor", config_.WriteMonitors());
}

// ---- Hot keys ----

void CParlanoDlg::OnHotKey(int index) {
    using keyboard::HotKeyAction;
    switch (static_cast<HotKeyAction>(index)) {
    case HotKeyAction::VoiceEffect1:
    case HotKeyAction::VoiceEffect2:
    case HotKeyAction::VoiceEffect3:
        return ToggleSlot(SlotKind::Effect, index - static_cast<int>(HotKeyAction::VoiceEffect1));
    case HotKeyAction::Listen:
        return ToggleMonitor();
    case HotKeyAction::FunSound1:
    case HotKeyAction::FunSound2:
    case HotKeyAction::FunSound3:
        PlayEmotic(index - static_cast<int>(HotKeyAction::FunSound1));
        return;
    case HotKeyAction::Stop:
        return StopAll();
    default:
        break;
    }
    // Backgrounds: three actions per slot (toggle, louder, softer).
    const int first = static_cast<int>(HotKeyAction::BackSound1);
    if (index < first || index >= first + 9)
        return;
    const int slot = (index - first) / 3;
    switch ((index - first) % 3) {
    case 0:
        return ToggleSlot(SlotKind::Background, slot);
    case 1:
        return ChangeSoundBy(slot, kVolumeStep);
    default:
        return ChangeSoundBy(slot, -kVolumeStep);
    }
}

// ---- Window ----

void CParlanoDlg::OpenOptions() {
    env_.runOptions(this, config_, funList->MaxItems() < 0 ? kMaxStatusLines : funList->MaxItems());
    config_.Load();
    UpdateParams();
}

bool CParlanoDlg::TrayAvailable() const {
    return env_.trayAvailable ? env_.trayAvailable() : QSystemTrayIcon::isSystemTrayAvailable();
}

void CParlanoDlg::MinimizeWindow() {
    if (TrayAvailable())
        HideToTray();
    else
        showMinimized();
}

void CParlanoDlg::HideToTray() {
    if (tray_ == nullptr) {
        tray_ = new QSystemTrayIcon(windowIcon(), this);
        tray_->setToolTip(QString::fromStdString(ApplicationTitle()).left(127));
        auto* menu = new QMenu(this);
        menu->addAction(UiText(kTextTrayExit), this, &CParlanoDlg::ExitWindow);
        tray_->setContextMenu(menu);
        connect(tray_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::DoubleClick ||
                        reason == QSystemTrayIcon::Trigger)
                        RestoreWindow();
                });
    }
    tray_->show();
    hide();
}

void CParlanoDlg::RestoreWindow() {
    if (tray_ != nullptr)
        tray_->hide();
    ShowSelection(SlotKind::Effect, selectedEffect_);
    ShowSelection(SlotKind::Background, selectedBackSound_);
    showNormal();
    raise();
    activateWindow();
}

void CParlanoDlg::ExitWindow() {
    if (tray_ != nullptr)
        tray_->hide();
    exiting_ = true;
    hide();
    if (loop_ != nullptr)
        loop_->exit(0);
}

void CParlanoDlg::changeEvent(QEvent* event) {
    MainFace::changeEvent(event);
    // Minimised any way (the button, the window manager, a shortcut): into the notification
    // area, where there is one; else the window stays iconified and reachable.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && isVisible() &&
        TrayAvailable())
        QMetaObject::invokeMethod(this, &CParlanoDlg::HideToTray, Qt::QueuedConnection);
}

void CParlanoDlg::closeEvent(QCloseEvent* event) {
    if (exiting_)
        return event->accept();
    // Closing from the window manager minimises, as the window's Minimize does.
    event->ignore();
    MinimizeWindow();
}

void CParlanoDlg::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape do nothing here; F1 opens the help.
    if (event->key() == Qt::Key_F1)
        return HelpShow(this, kHelpMainWindow);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Escape)
        return event->accept();
    MainFace::keyPressEvent(event);
}

void CParlanoDlg::OnTimer() {
    const std::uint32_t counter = env_.readCounter();
    const bool reading = counter != lastCounter_;
    lastCounter_ = counter;
    SetChecked(deviceLed, reading);
    // While a fun sound plays, its end is also looked for here: a pulsed event that came while
    // the command thread was busy is not seen again.
    if (ServerStarted() && !funList->selectedItems().isEmpty())
        RefreshFunSounds();
    if (env_.raiseRequested && env_.raiseRequested())
        RestoreWindow();
}
