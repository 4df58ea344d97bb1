#include "effectdialog/vst_edit_dialog.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/mlog.h"
#include "base/strtable.h"
#include "common/message_box.h"
#include "effectdialog/dialog_placement.h"
#include "effectdialog/param_text.h"
#include "platform/desktop/xcb_round_trip.h"

namespace {

constexpr unsigned kStrCreateError = 259;
constexpr unsigned kStrDefaultTitle = 260;
constexpr unsigned kStrEffectFault = 261;
constexpr unsigned kStrNoConfigurableParams = 268;

// The client area of a plug-in editor that reports no rectangle.
constexpr QSize kUnsizedEditor(150, 150);

QPoint gLastPosition;

// A text of the string table used as the printf format it was written as (the table takes a
// translation only with the same conversions).
std::string FormatStr(unsigned id, const std::string& first, const std::string& second) {
    const std::string& format = LoadStr(id);
    const int length = std::snprintf(nullptr, 0, format.c_str(), first.c_str(), second.c_str());
    if (length <= 0)
        return format;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format.c_str(), first.c_str(), second.c_str());
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// Qt's X connection, or null on another platform.
void* QtXConnection() {
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                   : nullptr;
    return x11 != nullptr ? static_cast<void*>(x11->connection()) : nullptr;
}

} // namespace

QPoint VSTEditDialog::LastPosition() {
    return gLastPosition;
}

void VSTEditDialog::SetLastPosition(const QPoint& position) {
    gLastPosition = position;
}

VSTEditDialog::VSTEditDialog(QWidget* ownerWindow, PnAudioEffect& effect)
    : ownerWindow_(ownerWindow), effect_(&effect) {
    paramsTimer_.setInterval(kParamsTickMs);
    idleTimer_.setInterval(kEditorIdleMs);
    QObject::connect(&paramsTimer_, &QTimer::timeout, [this] { OnParamsTick(); });
    QObject::connect(&idleTimer_, &QTimer::timeout, [this] { OnEditorIdle(); });
}

VSTEditDialog::~VSTEditDialog() {
    // The host is destroying this dialog: it needs no word back.
    effectHeld_ = false;
    if (!closed_)
        Detach(kResultCancel, true);
}

bool VSTEditDialog::ShowNotModal() {
    static constexpr char kMethod[] = "VSTEditDialog::ShowNotModal";
    LogScope scope(kMethod);
    bool shown = false;
    if (effect_ == nullptr || !effect_->IsLoaded()) {
        ShowMessage(ownerWindow_, LoadStr(kStrCreateError), MessageIcon::Error);
    } else if (effect_->GetNumParams() == 0) {
        ShowMessage(ownerWindow_, LoadStr(kStrNoConfigurableParams), MessageIcon::Warning);
    } else if (Create()) {
        window_->show();
        window_->raise();
        window_->activateWindow();
        shown = true;
    }
    scope.SetResult(shown);
    return shown;
}

bool VSTEditDialog::Create() {
    static constexpr char kMethod[] = "VSTEditDialog::_ShowNotModal";
    LogScope scope(kMethod);
    path_ = effect_->Path();
    title_ = effect_->Name().empty() ? LoadStr(kStrDefaultTitle) : effect_->Name();
    window_ = new EditDialogWindow(this, ownerWindow_);
    window_->setWindowTitle(QString::fromStdString(title_));
    window_->setAccessibleName(QString::fromStdString(title_));
    if (effect_->HasEditor()) {
        if (!EmbedEditor())
            return false;
    } else if (!BuildGeneric()) {
        return false;
    }
    paramsTimer_.start();
    Place();
    return true;
}

bool VSTEditDialog::EmbedEditor() {
    editorArea_ = new QWidget(window_);
    editorArea_->setAttribute(Qt::WA_NativeWindow);
    editorArea_->setAccessibleName(QString::fromStdString(title_));
    editorArea_->setFocusPolicy(Qt::StrongFocus);
    ResizeEditor(kUnsizedEditor);
    const WId parent = editorArea_->winId();
    // The plug-in makes its window on a connection of its own, as a child of ours.
    platform::XcbRoundTrip(QtXConnection());

    opening_ = true;
    effect_->EditOpen(reinterpret_cast<void*>(parent));
    opening_ = false;
    if (!effect_->IsLoaded()) {
        // Only locals from here on: the message box runs events, and this dialog may go.
        const std::string text = effect_->LastFaultText() + "\nEffect editor will be closed";
        const std::string title = title_;
        QWidget* owner = ownerWindow_;
        const ClosedNotice notice = Detach(kResultCancel, true);
        ShowMessageCaptioned(owner, title, text, MessageIcon::Error);
        LogException("Unhandled exception in effect %s", title.c_str());
        notice.Send();
        return false;
    }
    // Whatever the plug-in answered, it may have opened something that needs closing.
    editorOpen_ = true;

    QSize size = sizePending_ ? pendingSize_ : kUnsizedEditor;
    sizePending_ = false;
    ERect rect{};
    if (effect_->EditGetRect(rect))
        size = QSize(rect.right - rect.left, rect.bottom - rect.top);
    if (!Survived())
        return false;
    ResizeEditor(size);
    effect_->EditIdle();
    if (!Survived())
        return false;
    idleTimer_.start();
    return true;
}

bool VSTEditDialog::BuildGeneric() {
    const int count = effect_->GetNumParams();
    std::vector<std::string> names;
    std::vector<float> values;
    for (int i = 0; i < count; ++i) {
        names.push_back(effect_->GetParamName(i));
        values.push_back(effect_->GetParameter(i));
        if (!Survived())
            return false;
    }
    generic_ = BuildGenericEditor(window_, names, values);
    window_->setFixedSize(generic_.client);
    EditDialogWindow* window = window_;
    for (int i = 0; i < count; ++i) {
        const ParamRow& row = generic_.rows[static_cast<std::size_t>(i)];
        // The window outlives this object while its deletion is pending: reach the dialog
        // through it.
        QObject::connect(row.slider, &QSlider::valueChanged, window, [window, i](int position) {
            if (auto* dialog = static_cast<VSTEditDialog*>(window->Owner()))
                dialog->OnSliderMoved(i, position);
        });
        QObject::connect(row.field, &QLineEdit::textChanged, window, [window, i] {
            if (auto* dialog = static_cast<VSTEditDialog*>(window->Owner()))
                dialog->OnFieldChanged(i);
        });
    }
    QObject::connect(generic_.ok, &QPushButton::clicked, window, [window] {
        if (EditDialogOwner* owner = window->Owner())
            owner->WindowCloseRequested(kResultOk);
    });
    return true;
}

void VSTEditDialog::Place() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QSize size = window_->size();
    const QPoint at = DialogPlacement(screen->geometry(), gLastPosition, size);
    // The client area goes there; the window's frame, if any, around it.
    window_->setGeometry(QRect(at, size));
}

void VSTEditDialog::ResizeEditor(QSize size) {
    size = size.expandedTo(QSize(kMinEditorSide, kMinEditorSide))
               .boundedTo(QSize(kMaxEditorSide, kMaxEditorSide));
    editorArea_->setGeometry(QRect(QPoint(0, 0), size));
    window_->setFixedSize(size);
}

bool VSTEditDialog::SizeWindow(int width, int height) {
    if (closed_ || editorArea_ == nullptr || width <= 0 || height <= 0)
        return false;
    pendingSize_ = QSize(width, height);
    sizePending_ = true;
    if (!opening_) {
        // The plug-in asked from inside one of its calls: no window work under its guard.
        EditDialogWindow* window = window_;
        QTimer::singleShot(0, window, [window] {
            if (auto* dialog = static_cast<VSTEditDialog*>(window->Owner()))
                dialog->ApplyPendingSize();
        });
    }
    return true;
}

void VSTEditDialog::ApplyPendingSize() {
    if (!sizePending_ || editorArea_ == nullptr)
        return;
    sizePending_ = false;
    ResizeEditor(pendingSize_);
}

void* VSTEditDialog::Window() {
    return closed_ ? nullptr : static_cast<QWidget*>(window_.data());
}

void VSTEditDialog::CloseWith(int result) {
    if (closed_)
        return;
    const ClosedNotice notice = Detach(result, true);
    notice.Send(); // last: the listener may destroy this dialog
}

VSTEditDialog::ClosedNotice VSTEditDialog::Detach(int result, bool deleteWindow) {
    ClosedNotice notice;
    if (closed_)
        return notice;
    closed_ = true;
    result_ = result;
    paramsTimer_.stop();
    idleTimer_.stop();
    PnAudioEffect* effect = effect_;
    effect_ = nullptr;
    if (effect != nullptr) {
        notice.hook = effect->EditorClosed();
        notice.context = effect->ListenerContext();
        // The plug-in lets go of its window before the window goes.
        if (editorOpen_ && effect->IsLoaded())
            effect->EditClose();
    }
    editorOpen_ = false;
    if (EditDialogWindow* window = window_) {
        window_ = nullptr;
        window->Detach();
        if (deleteWindow) {
            window->hide();
            // Not now: this may run inside one of the window's own handlers.
            window->deleteLater();
        }
    }
    // The host destroys a dialog that closed itself later, not from inside its handlers.
    if (effect != nullptr && effectHeld_)
        effect->EditorDialogClosed();
    return notice;
}

bool VSTEditDialog::Survived() {
    if (effect_ != nullptr && effect_->IsLoaded())
        return true;
    FaultClose();
    return false;
}

void VSTEditDialog::FaultClose() {
    if (closed_)
        return;
    // Only locals from here on: the message box runs events, and this dialog may go.
    const std::string faultText = effect_ != nullptr ? effect_->LastFaultText() : std::string();
    const std::string path = path_;
    QWidget* owner = ownerWindow_;
    const ClosedNotice notice = Detach(kResultCancel, true);
    ShowMessage(owner, FormatStr(kStrEffectFault, faultText, path), MessageIcon::Error);
    LogException("Unhandled exception in effect %s", path.c_str());
    // The host has already unloaded the plug-in without running more of its code.
    notice.Send();
}

void VSTEditDialog::OnParamsTick() {
    if (effect_ == nullptr || effect_->ParamsChanged() == nullptr || !effect_->IsModified())
        return;
    const std::vector<EffectParam> params = effect_->GetParams();
    if (!Survived())
        return;
    effect_->SetModified(false);
    effect_->ParamsChanged()(effect_->ListenerContext(), params); // may destroy this dialog
}

void VSTEditDialog::OnEditorIdle() {
    if (effect_ == nullptr)
        return;
    effect_->EditIdle();
    Survived();
}

void VSTEditDialog::OnSliderMoved(int index, int position) {
    const ParamRow& row = generic_.rows[static_cast<std::size_t>(index)];
    const float value = static_cast<float>(position) * 0.001f;
    effect_->SetParameter(index, value);
    if (!Survived())
        return;
    effect_->SetModified(true);
    ShowFieldValue(row.field, value);
}

void VSTEditDialog::OnFieldChanged(int index) {
    const ParamRow& row = generic_.rows[static_cast<std::size_t>(index)];
    const std::string text = row.field->text().left(kParamFieldChars).toStdString();
    const float value = ClampParamValue(ParseParamText(text));
    {
        const QSignalBlocker quiet(row.slider);
        row.slider->setValue(SliderPosition(value));
    }
    // Only what the user typed goes to the plug-in; a field that follows its slider does not
    // set the parameter a second time.
    if (!row.field->hasFocus())
        return;
    effect_->SetParameter(index, value);
    if (!Survived())
        return;
    effect_->SetModified(true);
}

void VSTEditDialog::WindowMoved(const QPoint& topLeft) {
    gLastPosition = topLeft;
}

void VSTEditDialog::WindowDestroying() {
    // The owner window is going and takes this window with it.
    const ClosedNotice notice = Detach(kResultCancel, false);
    notice.Send();
}
