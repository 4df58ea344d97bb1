#include "editeffect/editor_placement.h"

#include <algorithm>

QPoint EditorWindowPosition(const QRect& dialogFrame, const QSize& editorFrame,
                            const QRect& screen) {
    int x = dialogFrame.right() + 1;
    if (x + editorFrame.width() - 1 > screen.right()) {
        const int left = dialogFrame.left() - editorFrame.width();
        x = left >= screen.left() ? left : screen.right() - editorFrame.width() + 1;
    }
    int y = std::min(dialogFrame.top(), screen.bottom() - editorFrame.height() + 1);
    // The title bar and the left edge stay reachable whatever the sizes.
    x = std::max(x, screen.left());
    y = std::max(y, screen.top());
    return {x, y};
}
