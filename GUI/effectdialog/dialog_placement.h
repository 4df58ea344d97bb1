// Where an editor dialog opens: where the last one was, unless that spot is too close to an edge
// of the desktop to be useful.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// The distance from every edge of the desktop within which a remembered position is not reused.
constexpr int kPlacementMargin = 40;

// The top-left corner of the dialog's client area: last when it lies at least kPlacementMargin
// pixels inside desktop on both axes; else a quarter of the desktop's width and height from its
// top-left corner, less half the dialog's size. Any thread.
QPoint DialogPlacement(const QRect& desktop, const QPoint& last, const QSize& dialog);
