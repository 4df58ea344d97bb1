// VSTEditDialog: the control panel's editor dialog of a loaded effect. A small modeless window
// that embeds the plug-in's own editor when it has one, or else shows the generic parameter
// editor (generic_editor.h). Changes reach the plug-in at once; the effect's parameters-changed
// hook hears of them on a 100 ms tick. Every call into the plug-in runs under the effect host's
// guard: when one faults, the host drops the plug-in and the dialog closes with a message.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QTimer>

#include <string>

#include "effect/effect.h"
#include "effectdialog/edit_dialog_window.h"
#include "effectdialog/generic_editor.h"

class QWidget;

class VSTEditDialog : public EffectEditorDialog, private EditDialogOwner {
public:
    // Results of Close: Ok or the close box; a failure or Cancel.
    static constexpr int kResultOk = 1;
    static constexpr int kResultCancel = 2;
    // The parameters-changed tick and the plug-in editor's idle tick, in milliseconds.
    static constexpr int kParamsTickMs = 100;
    static constexpr int kEditorIdleMs = 35;
    // The smallest and the largest editor area a plug-in gets, whatever size it reports.
    static constexpr int kMinEditorSide = 50;
    static constexpr int kMaxEditorSide = 4096;

    // A dialog for effect over ownerWindow (may be null); creates no window yet. GUI thread.
    VSTEditDialog(QWidget* ownerWindow, PnAudioEffect& effect);
    // Closes the window if it is still open, without telling the effect's listener.
    ~VSTEditDialog() override;

    // Opens and shows the window; false (after a message) when the plug-in has no parameters,
    // nothing is loaded, or its editor failed to open. GUI thread.
    bool ShowNotModal() override;
    // Closes the window with result 1, as its close box does. GUI thread.
    void Close() override { CloseWith(kResultOk); }
    // Closes the window: the listener's editor-closed hook runs and the plug-in's editor gets
    // effEditClose while its window still exists. Safe to call twice. GUI thread.
    void CloseWith(int result);
    // The plug-in asks for an editor area of width x height (kept within kMinEditorSide ..
    // kMaxEditorSide); applied once the plug-in's call has returned. False without an embedded
    // editor. GUI thread.
    bool SizeWindow(int width, int height) override;
    // The window (a QWidget), or null before it is shown and after it closed. GUI thread.
    void* Window() override;

    // The result of the last Close (0 while open). GUI thread.
    int Result() const { return result_; }

    // Where the last dialog's client area was, process-wide; the next dialog opens there when
    // that is well inside the desktop. GUI thread.
    static QPoint LastPosition();
    static void SetLastPosition(const QPoint& position);

private:
    // The listener's editor-closed hook, kept to be called after the dialog let go of
    // everything (the hook may destroy the dialog).
    struct ClosedNotice {
        PnAudioEffect::EditorClosedHook hook = nullptr;
        void* context = nullptr;
        void Send() const {
            if (hook != nullptr)
                hook(context);
        }
    };

    bool Create();
    bool EmbedEditor();
    bool BuildGeneric();
    void Place();
    void ResizeEditor(QSize size);
    void ApplyPendingSize();
    // Closes everything but the listener's notice. deleteWindow false: the window is being
    // destroyed already.
    ClosedNotice Detach(int result, bool deleteWindow);
    // The plug-in faulted in a call the dialog made: close, tell the user, log.
    void FaultClose();
    // Whether the plug-in is still there after a call; closes after a fault.
    bool Survived();

    void OnParamsTick();
    void OnEditorIdle();
    void OnSliderMoved(int index, int position);
    void OnFieldChanged(int index);

    void WindowCloseRequested(int result) override { CloseWith(result); }
    void WindowMoved(const QPoint& topLeft) override;
    void WindowDestroying() override;

    QPointer<QWidget> ownerWindow_;
    PnAudioEffect* effect_;
    std::string path_;
    std::string title_;
    QPointer<EditDialogWindow> window_;
    // The native child window the plug-in's editor lives in.
    QPointer<QWidget> editorArea_;
    GenericEditor generic_;
    // The plug-in's editor is open: it gets effEditClose before its window goes.
    bool editorOpen_ = false;
    // Inside effEditOpen: a size asked for now is read after it.
    bool opening_ = false;
    bool sizePending_ = false;
    QSize pendingSize_;
    bool closed_ = false;
    // The effect host holds this dialog (false while it destroys it).
    bool effectHeld_ = true;
    int result_ = 0;
    QTimer paramsTimer_;
    QTimer idleTimer_;
};
