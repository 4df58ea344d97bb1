// The window of an editor dialog: a modeless dialog whose ways of closing (close box, Escape, a
// button) and whose moves are handed to the object that runs it (VSTEditDialog).
#pragma once

#include <QDialog>

class EditDialogWindow;

// What the window reports to the object that runs it. GUI thread.
class EditDialogOwner {
public:
    virtual ~EditDialogOwner() = default;
    // The user asked to close the window; result 1 for Ok and the close box, 2 for Cancel.
    virtual void WindowCloseRequested(int result) = 0;
    // The window's client area moved to topLeft (screen coordinates).
    virtual void WindowMoved(const QPoint& topLeft) = 0;
    // The window is being destroyed from outside (its parent went away); its child windows
    // still exist.
    virtual void WindowDestroying() = 0;
};

class EditDialogWindow : public QDialog {
public:
    EditDialogWindow(EditDialogOwner* owner, QWidget* parent);
    ~EditDialogWindow() override;

    // The object that runs the window, or null once it let the window go.
    EditDialogOwner* Owner() const { return owner_; }
    // Lets the window go: it reports nothing from now on. GUI thread.
    void Detach() { owner_ = nullptr; }

    void done(int result) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    EditDialogOwner* owner_;
};
