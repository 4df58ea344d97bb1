#include "skin/skin_widget.h"

#include <QFocusEvent>
#include <QPainter>
#include <QPen>
#include <QWidget>

const QColor FocusRing::kColor(0x3f, 0xb6, 0xff);

QColor SkinDisabledTextColor() {
    return QColor(0x5c, 0x64, 0x74);
}

void PlaceSkinnedControl(QWidget& control, const QPoint* position, const QSize* size) {
    const QRect oldGeometry = control.geometry();
    if (position != nullptr)
        control.move(*position);
    if (size != nullptr)
        control.resize(*size);
    if (QWidget* parent = control.parentWidget()) {
        parent->update(oldGeometry);
        parent->update(control.geometry());
    }
}

void ApplySkinRegion(QWidget& control, const QRegion& region) {
    if (region.isEmpty())
        control.clearMask();
    else
        control.setMask(region);
}

void FocusRing::FocusIn(const QFocusEvent& event) {
    if (event.reason() == Qt::MouseFocusReason)
        byKeyboard_ = false;
    else if (event.reason() != Qt::ActiveWindowFocusReason &&
             event.reason() != Qt::PopupFocusReason)
        byKeyboard_ = true;
}

bool FocusRing::KeyPressed() {
    if (byKeyboard_)
        return false;
    byKeyboard_ = true;
    return true;
}

bool FocusRing::Shown(const QWidget& control) const {
    return byKeyboard_ && control.hasFocus();
}

void FocusRing::Paint(QPainter& painter, const QRect& rect) {
    painter.setPen(QPen(kColor, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect);
}
