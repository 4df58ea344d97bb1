// HotKeys: the seventeen global hot keys of the control panel. It reads the
// shortcut texts of the configuration, registers them with the platform (X11 key grabs on the
// xcb platform) and emits activated(index) when one is pressed, whichever program has the
// focus. Without an X11 connection (Wayland, offscreen, no display) nothing can be registered:
// the registration logs "not available" and every non-empty shortcut is reported as refused.
#pragma once

#include "keyboard/shortcut.h"
#include "platform/global_hotkeys.h"

#include <QObject>

#include <array>
#include <memory>
#include <string>
#include <vector>

class HotKeys : public QObject {
    Q_OBJECT

public:
    static constexpr int kCount = keyboard::kHotKeyActionCount;
    using Texts = std::array<std::string, kCount>;

    // On the application's X11 connection when the application runs on the xcb platform. Create
    // it after the QGuiApplication and destroy it before.
    explicit HotKeys(QObject* parent = nullptr);
    // On the given grabber (tests, other platforms); null means none available.
    explicit HotKeys(std::unique_ptr<platform::GlobalHotKeys> grabber, QObject* parent = nullptr);
    ~HotKeys() override;

    HotKeys(const HotKeys&) = delete;
    HotKeys& operator=(const HotKeys&) = delete;

    // Whether global hot keys work here at all.
    bool Available() const;

    // Takes the shortcut texts by action index (AppConfig::shortcuts); converted with
    // keyboard::TextToShortcut. Takes effect at the next RegisterAll.
    void SetShortcuts(const Texts& texts);
    keyboard::Shortcut ShortcutAt(int index) const;

    // Unregisters everything, then registers each index 0 to 16 with its shortcut. Refused
    // registrations (the combination is taken, the entry is empty, the key has no X11 symbol)
    // are left as they are; the indices of the refused non-empty entries are
    // returned (and kept for Refused()) so that the user can be told.
    std::vector<int> RegisterAll();
    void UnregisterAll();

    // Whether the index's hot key is registered now.
    bool IsRegistered(int index) const;
    // The outcome of the index's last registration (NoKey for an empty entry; NotAvailable
    // before the first RegisterAll and after UnregisterAll).
    platform::GrabResult ResultAt(int index) const;
    // The indices of the refused non-empty entries of the last RegisterAll.
    const std::vector<int>& Refused() const { return refused_; }

signals:
    // A registered hot key was pressed; index is its action (keyboard::HotKeyAction).
    void activated(int index);

private:
    class EventFilter;

    void InstallFilter();
    void HandleDispatched(int id);

    std::unique_ptr<platform::GlobalHotKeys> grabber_;
    std::unique_ptr<EventFilter> filter_;
    std::array<keyboard::Shortcut, kCount> shortcuts_{};
    std::array<platform::GrabResult, kCount> results_{};
    std::vector<int> refused_;
};
