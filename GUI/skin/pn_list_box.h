// CPNListBox: the fun sound list. A selected line is a playing fun sound.
//
// The line under the mouse becomes the current line and shows the choose button (a CFFButton
// loaded from "[EmoticConfig]", its size from the skin) at its right end, top-aligned; leaving
// the list clears the current line and hides the button. The button follows the current line
// whichever way it moves (mouse or keys).
//
// Requests to the owner:
//   chooseRequested(line, packed, screenPos)  the choose button was clicked (or F2, the Menu
//       key, Shift+F10 or a right click on a line): line and the button's top-left corner on
//       the screen, packed as one 32-bit parameter (left in the high 16 bits, top in
//       the low 16 bits) and as a QPoint.
//   toggleRequested(line)  a left click elsewhere on a line, or Space / Enter on the current
//       line.
#pragma once

#include "skin/ff_list_box.h"

#include <QPoint>

class CFFButton;

class CPNListBox : public CFFListBox {
    Q_OBJECT

public:
    explicit CPNListBox(QWidget* parent = nullptr);

    // max_items from section, then "[EmoticConfig]" into the choose button, then section with
    // the list vocabulary. False when section is missing; a missing "[EmoticConfig]" leaves the
    // button as it was.
    bool LoadSkin(CSkinParser& parser, const char* section, int index = -1) override;

    int MaxItems() const { return maxItems_; } // -1: no limit
    CFFButton* ChooseButton() const { return chooseButton_; }

    static quint32 PackScreenPos(const QPoint& pos);
    static QPoint UnpackScreenPos(quint32 packed);

signals:
    void chooseRequested(int line, quint32 packedScreenPos, QPoint screenPos);
    void toggleRequested(int line);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    // A screen reader's selection of a line asks for the line's toggle, as a click does.
    void OutsideSelect(int line) override;

private:
    void PlaceChooseButton();
    void RequestChoose(int line);

    CFFButton* chooseButton_;
    int maxItems_ = -1;
};
