// CFFButton: a skinned button. Push, check or radio kind; eight state pictures, five
// caption colours, an optional region (the hit area and the mask) and cursor, all from the skin.
//
// Behaviour is QAbstractButton's: mouse clicks, Space (and Enter, added here), the clicked()
// signal, focus and accessibility (the accessible name is the one the owner sets, else the
// caption; radio and check kinds report their checked state). Keyboard focus shows as a 1 px
// accent ring inside the picture; focus taken by a mouse click shows none until a key is used.
// A release outside the hit area does not click. A radio-kind button checks itself when clicked
// (also when it was checked already) after unchecking the other buttons of its group, then emits
// clicked(). Every radio is in a non-exclusive QButtonGroup, alone in its own until
// SetRadioGroup() puts it into a shared one, so that its owner can also uncheck it
// (setChecked(false); an exclusive group, Qt's default, would refuse that). Push and check kinds
// invert their checked state (the push kind is not checkable) and emit clicked().
//
// Caption layout:
//   xbounds = x1,x2   the caption box spans x1 <= x < x2; when x2 <= x1 (or absent) the whole
//                     width. The box is always the full height.
//   align   = h,v     place in the box: h 0 left, 1 centre, 2 right; v 0 top, 1 centre,
//                     2 bottom. Absent: centred both ways.
//   multiline = 1     the caption wraps at word boundaries inside the box; else one line,
//                     clipped to the box.
#pragma once

#include "skin/skin_widget.h"

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QRegion>

class CSkinParser;
class QButtonGroup;

class CFFButton : public QAbstractButton {
    Q_OBJECT

public:
    enum class Kind { Push, Check, Radio };
    // The eight pictures: four unchecked, four checked states.
    enum Picture {
        PicUp,
        PicDown,
        PicMouseOver,
        PicDisabled,
        PicCheckedUp,
        PicCheckedDown,
        PicCheckedMouseOver,
        PicCheckedDisabled,
        PictureCount
    };
    enum CaptionColor { ColUp, ColMouseOver, ColDown, ColDownMouseOver, ColDisabled, ColorCount };
    struct Look {
        Picture picture;
        CaptionColor color;
    };

    static const QColor kFillColor; // 100,200,200: a state without picture
    static const QColor
        kDisabledCaptionColor; // #5c6474, the palette's disabled text: not in the skin

    explicit CFFButton(Kind kind = Kind::Push, QWidget* parent = nullptr);

    Kind ButtonKind() const { return kind_; }

    // Reads the section (the button's keys with index appended when index >= 0)
    // and applies position, size, caption, region, cursor and pictures. False when the section
    // is missing, or when an indexed section lacks position, size, an up, a down or a mouse-over
    // picture ("parseSkin skipped state %d for %s"; nothing is applied then).
    bool LoadSkin(CSkinParser& parser, const char* section, int index = -1);

    void SetPicture(Picture which, const QImage& image);
    const QImage& PictureImage(Picture which) const { return pictures_[which]; }
    void SetCaptionColor(CaptionColor which, const QColor& color);
    QColor CaptionColorOf(CaptionColor which) const { return colors_[which]; }
    void SetMouseOverTracking(bool on);
    bool MouseOverTracking() const { return tracking_; }
    // The region is the hit area and the widget's mask; an empty region means the whole rect.
    void SetRegion(const QRegion& region);
    const QRegion& Region() const { return region_; }
    void SetCaptionLayout(const QPoint& align, const QPoint& xbounds, bool multiline);

    // Puts a radio-kind button into group (made non-exclusive: checking one button unchecks the
    // others through the click, and the owner may uncheck all).
    void SetRadioGroup(QButtonGroup* group);

    bool IsMouseOver() const { return mouseOver_; }
    // Shows the button as if the mouse were over it (or not) until the mouse says otherwise;
    // for previews of a skin.
    void ShowMouseOver(bool over);
    // The picture and caption colour of a state: the first matching row of the button's table.
    static Look ChooseLook(Kind kind, bool enabled, bool checked, bool pressed, bool mouseOver,
                           bool tracking);
    Look CurrentLook() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void nextCheckState() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Kind kind_;
    QImage pictures_[PictureCount];
    QColor colors_[ColorCount];
    QRegion region_;
    QPoint align_{1, 1};
    QPoint xbounds_{0, 0};
    bool multiline_ = false;
    bool tracking_ = false;
    bool mouseOver_ = false;
    bool mouseHeld_ = false; // left button pressed inside and not yet released
    FocusRing focusRing_;
};
