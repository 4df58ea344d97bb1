// CFFSliderCtrl: a skinned slider, range 0..100 unless set otherwise.
//
// Layout along the slider's axis: the background covers the whole
// control; the channel runs the whole length, as thick as the channel picture (else the begin or
// end piece, else 4 px) and centred across; the begin piece sits at the left (horizontal) or top
// (vertical) end, the end piece at the other end, each as long as its picture; the middle piece
// fills the channel between them. The thumb has its picture's size (clamped to the control),
// centred across; its centre moves over the channel shortened by half the thumb's length at each
// end. Each piece is stretched to the area it covers. A vertical slider has its maximum at the
// top, like a mixer fader. Disabled, the channel and thumb are drawn at half opacity.
//
// A press on the thumb drags it; a press anywhere else moves the thumb there at once (the
// channel-click rule), emitting sliderMoved() and actionTriggered(SliderMove). Keys and the wheel
// are QAbstractSlider's. userMoved(value) follows every change the user makes (drag, click, keys,
// wheel, accessibility), after value() holds it; setValue() from code does not emit it.
#pragma once

#include "skin/skin_widget.h"

#include <QAbstractSlider>
#include <QColor>
#include <QImage>

class CSkinParser;

class CFFSliderCtrl : public QAbstractSlider {
    Q_OBJECT

public:
    enum Piece { Background, Channel, ChannelBegin, ChannelEnd, Thumb, PieceCount };

    explicit CFFSliderCtrl(QWidget* parent = nullptr);

    // Reads position (quad, first point), size, the five pictures, the thumb's transparent
    // colour and the orientation ("vertical" or "horizontal"). False when the section is missing.
    bool LoadSkin(CSkinParser& parser, const char* section, int index = -1);

    // Moves the slider as the user would (clamped to the range): userMoved follows when the value
    // changes. Screen readers and UI automation set values through this. GUI thread.
    void SetValueByUser(int value);

    void SetPicture(Piece piece, const QImage& image);
    const QImage& PictureImage(Piece piece) const { return pictures_[piece]; }
    // Pixels of this colour in the thumb picture show what lies beneath; invalid: none.
    void SetThumbTransparentColor(const QColor& color);

    // Geometry (widget coordinates).
    QRect ThumbRect() const;
    QRect ChannelRect() const;
    // The channel-click rule: the value a click at pos gives, rounded and clamped.
    int ValueAt(const QPoint& pos) const;

    QSize sizeHint() const override;

signals:
    void userMoved(int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void sliderChange(SliderChange change) override;

private:
    int Length() const;                 // along the axis
    int Thickness() const;              // across
    int ThumbLength() const;            // along the axis
    int Along(const QPoint& pos) const; // offset from the minimum end along the axis
    int ThumbStart() const;             // the thumb's start, along the axis
    int ValueAtAlong(double along) const;
    void MakeThumb();

    QImage pictures_[PieceCount];
    QImage thumb_; // the thumb with its transparent colour made transparent
    QColor transparent_;
    double dragOffset_ = 0; // press position minus thumb centre, along the axis
    bool dragging_ = false;
    bool userAction_ = false;
    FocusRing focusRing_;
};
