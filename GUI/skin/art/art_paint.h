// Drawing pieces shared by every picture: raised faces, glows, line glyphs and spaced titles.
// Rectangles are in whole pixels; lines are placed on pixel centres so that they stay crisp.
#pragma once

#include "theme.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

namespace skinart {

// A transparent picture of the given size, ready to draw on.
QImage NewImage(QSize size);
// A painter with antialiasing for curves.
void Prepare(QPainter& p);

// A raised face: fill with the theme's vertical gradient, a 1 px border and, when highlight is
// set, the 1 px highlight along the top edge.
void RaisedFace(QPainter& p, const Theme& t, const QRect& r, int radius, const QColor& fill,
                const QColor& border, bool highlight = true);
// The 1 px highlight along the top edge inside a face's border.
void TopHighlight(QPainter& p, const Theme& t, const QRect& r, int radius);
// A flat rounded face with a 1 px border (border may be transparent).
void FlatFace(QPainter& p, const QRect& r, int radius, const QColor& fill, const QColor& border);
// A soft glow of colour around r, spread pixels wide, strongest (opacity percent) at r's edge.
void Glow(QPainter& p, const QRect& r, int radius, int spread, const QColor& color, double opacity);

// The line glyphs: "options", "help", "about", "minimize", "exit", "choose"; centred in box.
void Glyph(QPainter& p, const QRectF& box, const QString& name, const QColor& color, double width);

// Text with extra letter spacing; top-left of the text box at at. Returns the text width.
int SpacedText(QPainter& p, QPoint at, const QString& text, const QFont& font, const QColor& color,
               double spacing);

// The pixels of image inside r (r may reach outside image; outside is transparent).
QImage Crop(const QImage& image, const QRect& r);

} // namespace skinart
