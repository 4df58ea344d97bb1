#include "skin/ff_button.h"

#include "base/debug_trace.h"
#include "skin/skin_parser.h"

#include <QButtonGroup>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

const QColor CFFButton::kFillColor(100, 200, 200);
const QColor CFFButton::kDisabledCaptionColor = SkinDisabledTextColor();

CFFButton::CFFButton(Kind kind, QWidget* parent) : QAbstractButton(parent), kind_(kind) {
    for (QColor& color : colors_)
        color = Qt::black;
    colors_[ColDisabled] = kDisabledCaptionColor;
    setMouseTracking(true);
    if (kind_ != Kind::Push)
        setCheckable(true);
    if (kind_ == Kind::Radio) {
        // autoExclusive makes screen readers see a radio button; the non-exclusive group keeps
        // Qt from refusing setChecked(false) and from unchecking unrelated siblings.
        setAutoExclusive(true);
        SetRadioGroup(new QButtonGroup(this));
    }
}

void CFFButton::SetRadioGroup(QButtonGroup* group) {
    if (group == nullptr)
        return;
    group->setExclusive(false);
    group->addButton(this);
}

CFFButton::Look CFFButton::ChooseLook(Kind kind, bool enabled, bool checked, bool pressed,
                                      bool mouseOver, bool tracking) {
    switch (kind) {
    case Kind::Push:
        if (!enabled)
            return {PicDisabled, ColDisabled};
        if (pressed && mouseOver)
            return {PicDown, ColDown};
        if (mouseOver && tracking)
            return {PicMouseOver, ColMouseOver};
        return {PicUp, ColUp};
    case Kind::Check:
        if (checked)
            return {PicCheckedUp, ColDown};
        return {PicUp, ColUp};
    case Kind::Radio:
        break;
    }
    if (!enabled)
        return checked ? Look{PicCheckedDisabled, ColDisabled} : Look{PicDisabled, ColDisabled};
    const bool hover = mouseOver && tracking;
    if (checked) {
        if (hover)
            return pressed ? Look{PicCheckedDown, ColDown}
                           : Look{PicCheckedMouseOver, ColDownMouseOver};
        return {PicCheckedUp, ColDown};
    }
    if (hover)
        return pressed ? Look{PicDown, ColUp} : Look{PicMouseOver, ColMouseOver};
    return {PicUp, ColUp};
}

CFFButton::Look CFFButton::CurrentLook() const {
    // Qt's down state is "pressed with the mouse inside" (or pressed by Space, which we show
    // as a press under the mouse).
    const bool pressed = isDown();
    const bool over = mouseOver_ || (pressed && !mouseHeld_);
    return ChooseLook(kind_, isEnabled(), isChecked(), pressed, over, tracking_);
}

void CFFButton::SetPicture(Picture which, const QImage& image) {
    pictures_[which] = image;
    updateGeometry();
    update();
}

void CFFButton::SetCaptionColor(CaptionColor which, const QColor& color) {
    colors_[which] = color;
    update();
}

void CFFButton::SetMouseOverTracking(bool on) {
    tracking_ = on;
    update();
}

void CFFButton::SetRegion(const QRegion& region) {
    region_ = region;
    ApplySkinRegion(*this, region_);
    update();
}

void CFFButton::SetCaptionLayout(const QPoint& align, const QPoint& xbounds, bool multiline) {
    align_ = align;
    xbounds_ = xbounds;
    multiline_ = multiline;
    update();
}

bool CFFButton::LoadSkin(CSkinParser& parser, const char* section, int index) {
    if (!parser.FindSection(section))
        return false;
    parser.SetKeyIndex(index);

    // Read into copies: an indexed section without its essential attributes changes nothing.
    QPoint position = pos();
    QPoint unusedPoint;
    QSize size = this->size();
    QImage pictures[PictureCount];
    std::copy(std::begin(pictures_), std::end(pictures_), pictures);
    QColor colors[ColorCount];
    std::copy(std::begin(colors_), std::end(colors_), colors);
    QFont skinFont = font();
    QPoint align = align_;
    QPoint xbounds = xbounds_;
    QString caption;
    QCursor skinCursor;
    QRegion region = region_;
    bool multiline = multiline_;
    bool tracking = tracking_;
    bool hasPosition = false, hasSize = false, hasUp = false, hasDown = false, hasOver = false;
    bool hasFont = false, hasCaption = false, hasCursor = false, hasRegion = false;

    // The getters in their fixed order; the first that accepts a line consumes it.
    while (parser.NextAttribute()) {
        if (parser.GetQuad("position", position, unusedPoint))
            hasPosition = true;
        else if (parser.GetSize("size", size))
            hasSize = true;
        else if (parser.GetBitmap("bitmap_up", pictures[PicUp]) ||
                 parser.GetBitmap("bitmap_off_up", pictures[PicUp]))
            hasUp = true;
        else if (parser.GetBitmap("bitmap_do", pictures[PicDown]) ||
                 parser.GetBitmap("bitmap_off_do", pictures[PicDown]))
            hasDown = true;
        else if (parser.GetBitmap("bitmap_mo", pictures[PicMouseOver]) ||
                 parser.GetBitmap("bitmap_off_mo", pictures[PicMouseOver]))
            hasOver = true;
        else if (parser.GetColor("font_color_up", colors[ColUp]) ||
                 parser.GetColor("font_color_mo", colors[ColMouseOver]) ||
                 parser.GetColor("font_color_do", colors[ColDown]) ||
                 parser.GetColor("font_color_do_mo", colors[ColDownMouseOver]))
            continue;
        else if (parser.GetFont("font", skinFont))
            hasFont = true;
        else if (parser.GetPair("align", align) || parser.GetPair("xbounds", xbounds) ||
                 parser.GetBitmap("bitmap_da", pictures[PicDisabled]) ||
                 parser.GetBitmap("bitmap_off_da", pictures[PicDisabled]))
            continue;
        else if (parser.GetString("caption", caption))
            hasCaption = true;
        else if (parser.GetBitmap("bitmap_od", pictures[PicCheckedMouseOver]) ||
                 parser.GetBitmap("bitmap_on_mo", pictures[PicCheckedMouseOver]) ||
                 parser.GetBitmap("bitmap_ad", pictures[PicCheckedDisabled]) ||
                 parser.GetBitmap("bitmap_on_da", pictures[PicCheckedDisabled]) ||
                 parser.GetBitmap("bitmap_pd", pictures[PicCheckedUp]) ||
                 parser.GetBitmap("bitmap_on_up", pictures[PicCheckedUp]) ||
                 parser.GetBitmap("bitmap_pu", pictures[PicCheckedDown]) ||
                 parser.GetBitmap("bitmap_on_do", pictures[PicCheckedDown]))
            continue;
        else if (parser.GetCursor("cursor", skinCursor))
            hasCursor = true;
        else if (parser.GetRegion("region", region))
            hasRegion = true;
        else if (parser.GetFlag("multiline", multiline))
            continue;
        else if (parser.HasKey("mouseover"))
            tracking = true;
    }

    if (index >= 0 && !(hasPosition && hasSize && hasUp && hasDown && hasOver)) {
        DebugTrace("parseSkin skipped state %d for %s", index, section);
        return false;
    }

    std::copy(std::begin(pictures), std::end(pictures), pictures_);
    std::copy(std::begin(colors), std::end(colors), colors_);
    if (hasFont)
        setFont(skinFont);
    align_ = align;
    xbounds_ = xbounds;
    multiline_ = multiline;
    tracking_ = tracking;
    if (hasCaption)
        setText(caption);
    if (hasCursor)
        setCursor(skinCursor);
    PlaceSkinnedControl(*this, hasPosition ? &position : nullptr, hasSize ? &size : nullptr);
    if (hasRegion)
        SetRegion(region);
    updateGeometry();
    update();
    return true;
}

QSize CFFButton::sizeHint() const {
    if (!pictures_[PicUp].isNull())
        return pictures_[PicUp].size();
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, this->text());
    return text.expandedTo(QSize(8, 8)) + QSize(8, 4);
}

void CFFButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const Look look = CurrentLook();
    const QImage& picture = pictures_[look.picture];
    if (picture.isNull())
        painter.fillRect(rect(), kFillColor);
    else
        painter.drawImage(0, 0, picture);

    if (!text().isEmpty()) {
        QRect box = rect();
        if (xbounds_.y() > xbounds_.x())
            box = QRect(xbounds_.x(), 0, xbounds_.y() - xbounds_.x(), height());
        static constexpr Qt::Alignment kHorizontal[] = {Qt::AlignLeft, Qt::AlignHCenter,
                                                        Qt::AlignRight};
        static constexpr Qt::Alignment kVertical[] = {Qt::AlignTop, Qt::AlignVCenter,
                                                      Qt::AlignBottom};
        const int h = align_.x() >= 0 && align_.x() <= 2 ? align_.x() : 1;
        const int v = align_.y() >= 0 && align_.y() <= 2 ? align_.y() : 1;
        int flags = int(kHorizontal[h] | kVertical[v]) | Qt::TextShowMnemonic;
        flags |= multiline_ ? Qt::TextWordWrap : Qt::TextSingleLine;
        painter.setFont(font());
        painter.setPen(colors_[look.color]);
        painter.setClipRect(box);
        painter.drawText(box, flags, text());
        painter.setClipping(false);
    }

    if (focusRing_.Shown(*this))
        FocusRing::Paint(painter, rect().adjusted(1, 1, -2, -2));
}

bool CFFButton::hitButton(const QPoint& pos) const {
    return region_.isEmpty() ? rect().contains(pos) : region_.contains(pos);
}

void CFFButton::nextCheckState() {
    switch (kind_) {
    case Kind::Radio:
        if (QButtonGroup* buttons = group()) {
            for (QAbstractButton* other : buttons->buttons()) {
                if (other != this)
                    other->setChecked(false);
            }
        }
        setChecked(true);
        break;
    case Kind::Check:
        setChecked(!isChecked());
        break;
    case Kind::Push:
        mouseOver_ = false;
        break;
    }
}

void CFFButton::ShowMouseOver(bool over) {
    if (over == mouseOver_)
        return;
    mouseOver_ = over;
    update();
}

void CFFButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && hitButton(event->position().toPoint())) {
        mouseHeld_ = true;
        mouseOver_ = true;
    }
    QAbstractButton::mousePressEvent(event);
}

void CFFButton::mouseMoveEvent(QMouseEvent* event) {
    ShowMouseOver(hitButton(event->position().toPoint()));
    QAbstractButton::mouseMoveEvent(event);
    event->accept();
}

void CFFButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasHeld = mouseHeld_ && event->button() == Qt::LeftButton;
    if (wasHeld)
        mouseHeld_ = false;
    const bool inside = hitButton(event->position().toPoint());
    QAbstractButton::mouseReleaseEvent(event);
    if (wasHeld && !inside)
        ShowMouseOver(false);
    update();
}

void CFFButton::enterEvent(QEnterEvent* event) {
    ShowMouseOver(hitButton(event->position().toPoint()));
    QAbstractButton::enterEvent(event);
}

void CFFButton::leaveEvent(QEvent* event) {
    ShowMouseOver(false);
    QAbstractButton::leaveEvent(event);
}

void CFFButton::focusInEvent(QFocusEvent* event) {
    focusRing_.FocusIn(*event);
    QAbstractButton::focusInEvent(event);
    update();
}

void CFFButton::focusOutEvent(QFocusEvent* event) {
    QAbstractButton::focusOutEvent(event);
    update();
}

void CFFButton::keyPressEvent(QKeyEvent* event) {
    if (focusRing_.KeyPressed())
        update();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter presses the button like Space (QAbstractButton knows only Space).
        if (!event->isAutoRepeat())
            click();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CFFButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        mouseOver_ = false;
        mouseHeld_ = false;
        setDown(false);
    }
    QAbstractButton::changeEvent(event);
    update();
}
