#include "effectdialog/dialog_placement.h"

QPoint DialogPlacement(const QRect& desktop, const QPoint& last, const QSize& dialog) {
    const int x = last.x() - desktop.left();
    const int y = last.y() - desktop.top();
    const bool inside = x >= kPlacementMargin && x <= desktop.width() - kPlacementMargin &&
                        y >= kPlacementMargin && y <= desktop.height() - kPlacementMargin;
    if (inside)
        return last;
    return QPoint(desktop.left() + desktop.width() / 4 - dialog.width() / 2,
                  desktop.top() + desktop.height() / 4 - dialog.height() / 2);
}
