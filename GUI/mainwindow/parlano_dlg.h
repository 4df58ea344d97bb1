// CParlanoDlg: the control panel's main window. It shows the skinned face (MainFace), sends
// every user action at once to the voice server and stores it in the configuration, follows the
// server's life (controls enabled while it runs), answers the global hot keys, shows the
// server's output on the oscilloscope and lights the LED while a program records from
// "Voxwarp Microphone". Minimised it lives in the notification area, where there is one.
#pragma once

#include "mainwindow/choose_menus.h"
#include "mainwindow/main_face.h"
#include "mainwindow/voice_server_link.h"

#include <QTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "hotkeys/hot_keys.h"
#include "ipc/progstate.h"
#include "mainwindow/check_params.h"

class AppConfig;
class QAbstractButton;
class QEventLoop;
class QSystemTrayIcon;
class ServerEvents;

// What the window reaches outside itself; tests replace parts of it.
struct MainWindowEnv {
    VoiceServerLinkOpener openLink = OpenIpcVoiceServerLink;
    // Watch the voice server's state; off, tests call ServOnStart and ServOnStop themselves.
    bool observeServer = true;
    std::function<SoundDeviceNames()> deviceNames = ReadSoundDeviceNames;
    // The virtual microphone's read counter.
    std::function<std::uint32_t()> readCounter;
    MenuRunner runMenu = ExecMenu;
    // Runs the options sheet on the configuration; maxFunSounds is the fun sound list's limit.
    std::function<void(QWidget* parent, AppConfig& config, int maxFunSounds)> runOptions;
    // Shows the About box.
    std::function<void(QWidget* parent, const AppConfig& config)> runAbout;
    // Null: the global hot keys of the application's X11 connection.
    std::unique_ptr<HotKeys> hotKeys;
    // Whether the desktop has a notification area; null asks Qt.
    std::function<bool()> trayAvailable;
    // Polled with the LED: true when another start of the program asks to see the window.
    std::function<bool()> raiseRequested;
};

class CParlanoDlg : public MainFace, private ServStateCallback {
    Q_OBJECT

public:
    static constexpr int kLedPeriodMs = 200;
    static constexpr int kVolumeStep = 10;

    // config must outlive the window. GUI thread.
    explicit CParlanoDlg(AppConfig& config, MainWindowEnv env = {}, QWidget* parent = nullptr);
    ~CParlanoDlg() override;

    // Sets the icons and title, disables the slot controls, starts watching the server, loads
    // the configuration and the skin (skinFile) and fills the controls. False, after the skin's
    // error box, when the skin could not be loaded: the window must not be shown. GUI thread.
    bool Init();
    // Shows the window and returns when it has been closed with Exit. GUI thread.
    int Exec();

    bool ServerStarted() const { return link_ != nullptr; }
    QSystemTrayIcon* TrayIcon() const { return tray_; }

    // The two radio groups: voice effect slots and background slots.
    enum class SlotKind { Effect, Background };

    // The server's start and stop, as its state observer reports them. GUI thread.
    void OnServerStarted();
    void OnServerStopped();

    // The actions, as the controls and the hot keys call them. GUI thread.
    void OnHotKey(int index);
    // Turns the slot on, or off when it is the active one; sends and stores the choice.
    void ToggleSlot(SlotKind kind, int slot);
    void ChangeSoundBy(int slot, int delta);
    void PlayEmotic(int line); // toggles a fun sound line
    void ConfigEffect(int slot);
    void ConfigSound(int slot);
    void ConfigEmotic(int line, const QPoint& at);
    void StopAll();
    void ToggleMonitor();
    void OpenOptions();
    void MinimizeWindow();
    void RestoreWindow();
    void ExitWindow();
    // Reads the LED's counter and answers a raise request. GUI thread.
    void OnTimer();

    // Fills the controls from the configuration. GUI thread.
    void UpdateParams();
    // Sets the enabled state of the controls that need the server. GUI thread.
    void EnableWindows(bool on);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // From the observer thread: both hand the work to the GUI thread.
    void ServOnStart() override;
    void ServOnStop() override;

    void ConnectControls();
    void WatchRadio(QAbstractButton* radio, std::function<void(bool)> toggled,
                    std::function<void()> clickedWhileOn);
    static void SetChecked(QAbstractButton* button, bool on);
    const std::array<CFFButton*, 3>& Radios(SlotKind kind) const;
    int& Selected(SlotKind kind);
    void OnSlotToggled(SlotKind kind, int slot, bool on);
    // Shows the slot (-1: none) as the active one, without sending or storing it.
    void ShowSelection(SlotKind kind, int slot);
    void Activate(SlotKind kind, int selection);
    void ChangeSound(int slot, int volume);
    void ChangeMonitorLevel(int volume);
    void ShowServerErrors();
    void RefreshFunSounds();
    void WriteFailed(const char* what, bool ok);
    bool TrayAvailable() const;
    void HideToTray();

    AppConfig& config_;
    MainWindowEnv env_;
    std::unique_ptr<HotKeys> hotKeys_;
    std::unique_ptr<ProgrammState> state_;
    std::unique_ptr<VoiceServerLink> link_;
    std::unique_ptr<ServerEvents> events_;
    // Set by the command thread when the fun sound status changed and not yet fetched.
    std::atomic<bool> funSoundsPending_{false};
    QTimer timer_;
    QSystemTrayIcon* tray_ = nullptr;
    QEventLoop* loop_ = nullptr;
    int selectedEffect_ = -1;
    int selectedBackSound_ = -1;
    std::uint32_t lastCounter_ = 0;
    bool exiting_ = false;
    // Set by a radio's toggled until the click that caused it (or the next event loop turn).
    bool toggledNow_ = false;
};
