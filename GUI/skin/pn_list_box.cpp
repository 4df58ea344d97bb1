#include "skin/pn_list_box.h"

#include "skin/ff_button.h"
#include "skin/skin_parser.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>

CPNListBox::CPNListBox(QWidget* parent)
    : CFFListBox(parent), chooseButton_(new CFFButton(CFFButton::Kind::Push, viewport())) {
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    chooseButton_->setFocusPolicy(Qt::NoFocus);
    chooseButton_->setAccessibleName(tr("Choose sound"));
    chooseButton_->resize(16, 16);
    chooseButton_->hide();
    connect(chooseButton_, &CFFButton::clicked, this, [this] { RequestChoose(CurrentLine()); });
}

bool CPNListBox::LoadSkin(CSkinParser& parser, const char* section, int index) {
    if (!parser.FindSection(section))
        return false;
    parser.SetKeyIndex(index);
    int maxItems = -1;
    while (parser.NextAttribute()) {
        if (parser.GetInt("max_items", maxItems))
            continue;
    }
    maxItems_ = maxItems;
    chooseButton_->LoadSkin(parser, "[EmoticConfig]", index);
    const bool loaded = CFFListBox::LoadSkin(parser, section, index);
    PlaceChooseButton();
    return loaded;
}

quint32 CPNListBox::PackScreenPos(const QPoint& pos) {
    return quint32(quint16(pos.x())) << 16 | quint32(quint16(pos.y()));
}

QPoint CPNListBox::UnpackScreenPos(quint32 packed) {
    return QPoint(qint16(packed >> 16), qint16(packed & 0xffff));
}

void CPNListBox::PlaceChooseButton() {
    const int line = CurrentLine();
    const QRect rect = line >= 0 ? visualRect(model()->index(line, 0)) : QRect();
    if (!isEnabled() || !rect.isValid() || !rect.intersects(viewport()->rect())) {
        chooseButton_->hide();
        return;
    }
    chooseButton_->move(rect.right() + 1 - chooseButton_->width(), rect.top());
    chooseButton_->show();
    chooseButton_->raise();
}

void CPNListBox::RequestChoose(int line) {
    if (line < 0 || line >= count())
        return;
    if (line != CurrentLine())
        SetCurrentLine(line);
    scrollTo(model()->index(line, 0));
    PlaceChooseButton();
    const QPoint screenPos = chooseButton_->mapToGlobal(QPoint(0, 0));
    emit chooseRequested(line, PackScreenPos(screenPos), screenPos);
}

void CPNListBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    setFocus(Qt::MouseFocusReason);
    const int line = indexAt(event->position().toPoint()).row();
    if (line < 0)
        return;
    SetCurrentLine(line);
    emit toggleRequested(line);
}

void CPNListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event); // the second click of a quick pair toggles again
}

void CPNListBox::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    const int line = indexAt(event->position().toPoint()).row();
    if (line != CurrentLine())
        SetCurrentLine(line);
}

void CPNListBox::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void CPNListBox::keyPressEvent(QKeyEvent* event) {
    const int line = CurrentLine();
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (line >= 0)
            emit toggleRequested(line);
        event->accept();
        return;
    case Qt::Key_F2: // the Menu key arrives as a context menu event
        RequestChoose(line);
        event->accept();
        return;
    case Qt::Key_F10:
        if (event->modifiers() & Qt::ShiftModifier) {
            RequestChoose(line);
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    CFFListBox::keyPressEvent(event);
}

void CPNListBox::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (event->reason() == QContextMenuEvent::Mouse)
        RequestChoose(indexAt(viewport()->mapFrom(this, event->pos())).row());
    else
        RequestChoose(CurrentLine());
}

bool CPNListBox::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave)
        SetCurrentLine(-1);
    return CFFListBox::viewportEvent(event);
}

void CPNListBox::leaveEvent(QEvent* event) {
    SetCurrentLine(-1);
    CFFListBox::leaveEvent(event);
}

void CPNListBox::changeEvent(QEvent* event) {
    CFFListBox::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        PlaceChooseButton();
}

void CPNListBox::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    CFFListBox::currentChanged(current, previous);
    PlaceChooseButton();
}

void CPNListBox::scrollContentsBy(int dx, int dy) {
    CFFListBox::scrollContentsBy(dx, dy);
    PlaceChooseButton();
}

void CPNListBox::updateGeometries() {
    CFFListBox::updateGeometries();
    PlaceChooseButton();
}

void CPNListBox::OutsideSelect(int line) {
    // After the selection change has finished: the owner's answer selects lines itself.
    QMetaObject::invokeMethod(
        this, [this, line] { emit toggleRequested(line); }, Qt::QueuedConnection);
}
