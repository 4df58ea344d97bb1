// Where the voice effect editor puts a plug-in's editor window: beside the dialog, its top-left
// corner touching the dialog's top-right corner, moved as little as needed to stay on screen.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// The top-left corner of the editor's frame for a dialog frame, the editor frame's size and the
// available area of the dialog's screen. Beside the dialog on the right when the editor fits
// there; else on the dialog's left (its top-right corner touching the dialog's top-left); else
// pushed inside the screen. A window taller than the screen keeps its top edge visible, one
// wider keeps its left edge. Any thread.
QPoint EditorWindowPosition(const QRect& dialogFrame, const QSize& editorFrame,
                            const QRect& screen);
