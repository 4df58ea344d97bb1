#include "effectdialog/edit_dialog_window.h"

#include <QCloseEvent>
#include <QMoveEvent>

namespace {

constexpr int kResultOk = 1;
constexpr int kResultCancel = 2;

} // namespace

EditDialogWindow::EditDialogWindow(EditDialogOwner* owner, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      owner_(owner) {
    setModal(false);
}

EditDialogWindow::~EditDialogWindow() {
    if (EditDialogOwner* owner = owner_) {
        owner_ = nullptr;
        owner->WindowDestroying();
    }
}

void EditDialogWindow::done(int result) {
    // Escape and the dialog's own accept/reject end up here.
    if (EditDialogOwner* owner = owner_)
        owner->WindowCloseRequested(result == QDialog::Accepted ? kResultOk : kResultCancel);
    else
        QDialog::done(result);
}

void EditDialogWindow::closeEvent(QCloseEvent* event) {
    if (EditDialogOwner* owner = owner_)
        owner->WindowCloseRequested(kResultOk);
    event->accept();
}

void EditDialogWindow::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    if (owner_ != nullptr)
        owner_->WindowMoved(geometry().topLeft());
}
