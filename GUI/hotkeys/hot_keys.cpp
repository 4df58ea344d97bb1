#include "hotkeys/hot_keys.h"

#include "base/mlog.h"
#include "platform/desktop/xcb_global_hotkeys.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

namespace {

constexpr const char* kXcbEventType = "xcb_generic_event_t";

// The application's xcb connection; null when it does not run on the xcb platform.
void* ApplicationXcbConnection() {
    if (qGuiApp == nullptr)
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? static_cast<void*>(x11->connection()) : nullptr;
}

std::unique_ptr<platform::GlobalHotKeys> ApplicationGrabber() {
    void* connection = ApplicationXcbConnection();
    return platform::CreateXcbGlobalHotKeys(
        connection, connection != nullptr ? platform::XcbDefaultRootWindow(connection) : 0);
}

} // namespace

// Hands the application's native events to the grabber; a hot key's key press is taken out of
// Qt's event stream.
class HotKeys::EventFilter : public QAbstractNativeEventFilter {
public:
    explicit EventFilter(HotKeys& owner) : owner_(owner) {}

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != kXcbEventType || owner_.grabber_ == nullptr)
            return false;
        const int id = owner_.grabber_->Dispatch(message);
        if (id < 0)
            return false;
        owner_.HandleDispatched(id);
        return true;
    }

private:
    HotKeys& owner_;
};

HotKeys::HotKeys(QObject* parent) : HotKeys(ApplicationGrabber(), parent) {}

HotKeys::HotKeys(std::unique_ptr<platform::GlobalHotKeys> grabber, QObject* parent)
    : QObject(parent), grabber_(std::move(grabber)) {
    results_.fill(platform::GrabResult::NotAvailable);
    if (Available())
        InstallFilter();
}

HotKeys::~HotKeys() {
    if (filter_ != nullptr && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(filter_.get());
    UnregisterAll();
}

bool HotKeys::Available() const {
    return grabber_ != nullptr && grabber_->Available();
}

void HotKeys::SetShortcuts(const Texts& texts) {
    for (int i = 0; i < kCount; ++i)
        shortcuts_[i] = keyboard::TextToShortcut(texts[i]);
}

keyboard::Shortcut HotKeys::ShortcutAt(int index) const {
    return index >= 0 && index < kCount ? shortcuts_[index] : keyboard::Shortcut{};
}

std::vector<int> HotKeys::RegisterAll() {
    UnregisterAll();
    refused_.clear();
    const bool available = Available();
    if (!available)
        LogMethod("HotKeys::RegisterAll", "global hot keys are not available (no X11 connection)");
    for (int i = 0; i < kCount; ++i) {
        const keyboard::Shortcut& s = shortcuts_[i];
        platform::GrabResult result = platform::GrabResult::NotAvailable;
        if (available && s.IsEmpty())
            result = platform::GrabResult::NoKey;
        else if (available)
            result = grabber_->Grab(i, s.modifiers, keyboard::X11KeySym(s.key));
        results_[i] = result;
        if (result == platform::GrabResult::Grabbed || s.IsEmpty())
            continue;
        refused_.push_back(i);
        if (available)
            LogMethod("HotKeys::RegisterAll", "hot key %d (%s) not registered: %s", i,
                      keyboard::ShortcutToText(s).c_str(), platform::GrabResultText(result));
    }
    return refused_;
}

void HotKeys::UnregisterAll() {
    if (grabber_ != nullptr)
        grabber_->ReleaseAll();
    results_.fill(platform::GrabResult::NotAvailable);
}

bool HotKeys::IsRegistered(int index) const {
    return index >= 0 && index < kCount && results_[index] == platform::GrabResult::Grabbed;
}

platform::GrabResult HotKeys::ResultAt(int index) const {
    return index >= 0 && index < kCount ? results_[index] : platform::GrabResult::NotAvailable;
}

void HotKeys::InstallFilter() {
    if (QCoreApplication::instance() == nullptr)
        return;
    filter_ = std::make_unique<EventFilter>(*this);
    QCoreApplication::instance()->installNativeEventFilter(filter_.get());
}

void HotKeys::HandleDispatched(int id) {
    if (id >= 0 && id < kCount && IsRegistered(id))
        emit activated(id);
}
