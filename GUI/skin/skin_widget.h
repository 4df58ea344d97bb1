// What every skinned control does alike: taking its place from the skin, its outline, and the
// keyboard focus ring.
#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>

class QFocusEvent;
class QPainter;
class QWidget;

// Moves and sizes the control to what its skin section gave (a missing value keeps the current
// one) and repaints the parent under the old and the new place. GUI thread.
void PlaceSkinnedControl(QWidget& control, const QPoint* position, const QSize* size);

// The control's outline: an empty region means the whole rectangle. GUI thread.
void ApplySkinRegion(QWidget& control, const QRegion& region);

// The focus ring shows while the control has focus that came by keyboard, or after a key was
// used; not after a mouse click. GUI thread.
// The palette's disabled text, #5c6474: disabled controls keep their shape and drop to it.
QColor SkinDisabledTextColor();

class FocusRing {
public:
    static const QColor kColor; // the accent, #3fb6ff

    void FocusIn(const QFocusEvent& event);
    // A key was pressed; true when the ring appears now (the control repaints).
    bool KeyPressed();
    bool Shown(const QWidget& control) const;
    // A 1 px ring along rect.
    static void Paint(QPainter& painter, const QRect& rect);

private:
    bool byKeyboard_ = false;
};
