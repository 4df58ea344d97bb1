#include "skin/ff_slider_ctrl.h"

#include "skin/ff_slider_accessible.h"
#include "skin/skin_parser.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QColor kFallbackChannel(0x2e, 0x34, 0x42); // the panel border colour
const QColor kFallbackThumb(0x3f, 0xb6, 0xff);   // the accent colour
constexpr int kFallbackThumbLength = 10;
constexpr int kFallbackChannelThickness = 4;

} // namespace

CFFSliderCtrl::CFFSliderCtrl(QWidget* parent) : QAbstractSlider(parent) {
    setRange(0, 100);
    setPageStep(10);
    setOrientation(Qt::Horizontal);
    setFocusPolicy(Qt::StrongFocus);
    InstallSliderAccessibility();
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int) {
        // The action has moved the position; the value follows it right after.
        if (sliderPosition() != value())
            userAction_ = true;
    });
}

bool CFFSliderCtrl::LoadSkin(CSkinParser& parser, const char* section, int index) {
    if (!parser.FindSection(section))
        return false;
    parser.SetKeyIndex(index);
    QPoint position = pos();
    QPoint unusedPoint;
    QSize size = this->size();
    QImage pictures[PieceCount];
    std::copy(std::begin(pictures_), std::end(pictures_), pictures);
    QColor transparent = transparent_;
    QString orientationName;
    bool hasPosition = false, hasSize = false;
    while (parser.NextAttribute()) {
        if (parser.GetQuad("position", position, unusedPoint))
            hasPosition = true;
        else if (parser.GetSize("size", size))
            hasSize = true;
        else if (parser.GetBitmap("bitmap_background", pictures[Background]) ||
                 parser.GetBitmap("bitmap_channel", pictures[Channel]) ||
                 parser.GetBitmap("bitmap_channel_begin", pictures[ChannelBegin]) ||
                 parser.GetBitmap("bitmap_channel_end", pictures[ChannelEnd]) ||
                 parser.GetBitmap("bitmap_thumb", pictures[Thumb]) ||
                 parser.GetColor("bitmap_thumb_transparent_color", transparent))
            continue;
        else
            parser.GetString("orientation", orientationName);
    }
    std::copy(std::begin(pictures), std::end(pictures), pictures_);
    transparent_ = transparent;
    MakeThumb();
    if (orientationName == QLatin1String("vertical"))
        setOrientation(Qt::Vertical);
    else if (orientationName == QLatin1String("horizontal"))
        setOrientation(Qt::Horizontal);
    PlaceSkinnedControl(*this, hasPosition ? &position : nullptr, hasSize ? &size : nullptr);
    updateGeometry();
    update();
    return true;
}

void CFFSliderCtrl::SetPicture(Piece piece, const QImage& image) {
    pictures_[piece] = image;
    if (piece == Thumb)
        MakeThumb();
    updateGeometry();
    update();
}

void CFFSliderCtrl::SetThumbTransparentColor(const QColor& color) {
    transparent_ = color;
    MakeThumb();
    update();
}

void CFFSliderCtrl::MakeThumb() {
    const QImage& picture = pictures_[Thumb];
    if (picture.isNull() || !transparent_.isValid()) {
        thumb_ = picture;
        return;
    }
    // The mask: every pixel of the transparent colour becomes fully transparent.
    thumb_ = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent_.rgb() & 0xffffff;
    for (int y = 0; y < thumb_.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(thumb_.scanLine(y));
        for (int x = 0; x < thumb_.width(); ++x) {
            if ((line[x] & 0xffffff) == key)
                line[x] = 0;
        }
    }
}

int CFFSliderCtrl::Length() const {
    return orientation() == Qt::Horizontal ? width() : height();
}

int CFFSliderCtrl::Thickness() const {
    return orientation() == Qt::Horizontal ? height() : width();
}

namespace {

int AlongExtent(const QImage& image, Qt::Orientation orientation) {
    return orientation == Qt::Horizontal ? image.width() : image.height();
}

int AcrossExtent(const QImage& image, Qt::Orientation orientation) {
    return orientation == Qt::Horizontal ? image.height() : image.width();
}

} // namespace

int CFFSliderCtrl::ThumbLength() const {
    const int length = pictures_[Thumb].isNull() ? kFallbackThumbLength
                                                 : AlongExtent(pictures_[Thumb], orientation());
    return std::clamp(length, 1, std::max(1, Length()));
}

// Axis coordinates run from the minimum end: left to right, or bottom to top.
int CFFSliderCtrl::Along(const QPoint& pos) const {
    return orientation() == Qt::Horizontal ? pos.x() : height() - pos.y();
}

// Builds a rectangle from axis coordinates (start along from the minimum end, length, and the
// across offset and thickness).
static QRect AxisRect(Qt::Orientation orientation, int widgetHeight, int along, int length,
                      int across, int thickness) {
    if (orientation == Qt::Horizontal)
        return QRect(along, across, length, thickness);
    return QRect(across, widgetHeight - along - length, thickness, length);
}

int CFFSliderCtrl::ThumbStart() const {
    const int span = Length() - ThumbLength();
    const int range = maximum() - minimum();
    if (range <= 0 || span <= 0)
        return 0;
    return int(std::lround(double(sliderPosition() - minimum()) * span / range));
}

QRect CFFSliderCtrl::ThumbRect() const {
    const int t = ThumbLength();
    const int start = ThumbStart();
    const int thickness =
        pictures_[Thumb].isNull()
            ? Thickness()
            : std::min(AcrossExtent(pictures_[Thumb], orientation()), Thickness());
    return AxisRect(orientation(), height(), start, t, (Thickness() - thickness) / 2, thickness);
}

QRect CFFSliderCtrl::ChannelRect() const {
    int thickness = kFallbackChannelThickness;
    for (Piece piece : {Channel, ChannelBegin, ChannelEnd}) {
        if (!pictures_[piece].isNull()) {
            thickness = AcrossExtent(pictures_[piece], orientation());
            break;
        }
    }
    thickness = std::min(thickness, Thickness());
    return AxisRect(orientation(), height(), 0, Length(), (Thickness() - thickness) / 2, thickness);
}

int CFFSliderCtrl::ValueAt(const QPoint& pos) const {
    return ValueAtAlong(Along(pos));
}

// The channel shortened by half the thumb at each end; the offset from its start over its length.
int CFFSliderCtrl::ValueAtAlong(double along) const {
    const double t = ThumbLength();
    const double length = Length() - t;
    if (length <= 0)
        return minimum();
    const double offset = along - t / 2;
    const double value = minimum() + double(maximum() - minimum()) * offset / length;
    return int(std::clamp<long>(std::lround(value), minimum(), maximum()));
}

QSize CFFSliderCtrl::sizeHint() const {
    if (!pictures_[Background].isNull())
        return pictures_[Background].size();
    return orientation() == Qt::Horizontal ? QSize(100, 20) : QSize(20, 100);
}

void CFFSliderCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!pictures_[Background].isNull())
        painter.drawImage(rect(), pictures_[Background]);
    if (!isEnabled())
        painter.setOpacity(0.5);

    const QRect channel = ChannelRect();
    const Qt::Orientation o = orientation();
    const bool horizontal = o == Qt::Horizontal;
    const QImage& begin = pictures_[ChannelBegin];
    const QImage& end = pictures_[ChannelEnd];
    const QImage& middle = pictures_[Channel];
    if (begin.isNull() && end.isNull() && middle.isNull()) {
        painter.fillRect(channel, kFallbackChannel);
    } else {
        // Begin at the left or top, end at the right or bottom, the middle piece between.
        const int length = Length();
        const int beginLength = begin.isNull() ? 0 : std::min(AlongExtent(begin, o), length / 2);
        const int endLength = end.isNull() ? 0 : std::min(AlongExtent(end, o), length / 2);
        auto piece = [&](int from, int count) {
            return horizontal ? QRect(channel.left() + from, channel.top(), count, channel.height())
                              : QRect(channel.left(), channel.top() + from, channel.width(), count);
        };
        if (!middle.isNull() && length - beginLength - endLength > 0)
            painter.drawImage(piece(beginLength, length - beginLength - endLength), middle);
        if (beginLength > 0)
            painter.drawImage(piece(0, beginLength), begin);
        if (endLength > 0)
            painter.drawImage(piece(length - endLength, endLength), end);
    }

    if (thumb_.isNull())
        painter.fillRect(ThumbRect(), kFallbackThumb);
    else
        painter.drawImage(ThumbRect(), thumb_);

    painter.setOpacity(1.0);
    if (focusRing_.Shown(*this))
        FocusRing::Paint(painter, rect().adjusted(0, 0, -1, -1));
}

void CFFSliderCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || maximum() == minimum()) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint pos = event->position().toPoint();
    const QRect thumb = ThumbRect();
    setSliderDown(true);
    dragging_ = true;
    if (thumb.contains(pos)) {
        dragOffset_ = Along(pos) - (ThumbStart() + ThumbLength() / 2.0);
    } else {
        // The channel-click rule: the thumb jumps here, as a user move; dragging goes on.
        dragOffset_ = 0;
        setSliderPosition(ValueAt(pos));
        if (!hasTracking())
            triggerAction(SliderMove);
    }
}

void CFFSliderCtrl::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        event->ignore();
        return;
    }
    event->accept();
    setSliderPosition(ValueAtAlong(Along(event->position().toPoint()) - dragOffset_));
}

void CFFSliderCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    dragging_ = false;
    setSliderDown(false);
}

void CFFSliderCtrl::focusInEvent(QFocusEvent* event) {
    focusRing_.FocusIn(*event);
    QAbstractSlider::focusInEvent(event);
    update();
}

void CFFSliderCtrl::focusOutEvent(QFocusEvent* event) {
    QAbstractSlider::focusOutEvent(event);
    update();
}

void CFFSliderCtrl::keyPressEvent(QKeyEvent* event) {
    if (focusRing_.KeyPressed())
        update();
    QAbstractSlider::keyPressEvent(event);
}

void CFFSliderCtrl::SetValueByUser(int newValue) {
    newValue = std::clamp(newValue, minimum(), maximum());
    if (newValue == value())
        return;
    userAction_ = true;
    setValue(newValue);
}

void CFFSliderCtrl::sliderChange(SliderChange change) {
    QAbstractSlider::sliderChange(change);
    if (change == SliderValueChange && userAction_) {
        userAction_ = false;
        emit userMoved(value());
    }
    update();
}
