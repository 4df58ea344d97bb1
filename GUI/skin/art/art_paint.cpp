#include "art_paint.h"

#include <QLinearGradient>
#include <QPainterPath>

#include <cmath>

namespace skinart {

QImage NewImage(QSize size) {
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void Prepare(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
}

namespace {

QPainterPath Rounded(const QRectF& r, double radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QColor WithAlpha(QColor c, double opacity) {
    c.setAlphaF(float(qBound(0.0, opacity, 1.0)));
    return c;
}

} // namespace

void RaisedFace(QPainter& p, const Theme& t, const QRect& r, int radius, const QColor& fill,
                const QColor& border, bool highlight) {
    const QRectF outer(r);
    QLinearGradient g(outer.topLeft(), outer.bottomLeft());
    g.setColorAt(0, Mix(fill, Qt::white, t.faceGradient / 100.0));
    g.setColorAt(1, fill);
    p.save();
    p.setPen(Qt::NoPen);
    p.fillPath(Rounded(outer, radius), g);
    if (highlight) {
        TopHighlight(p, t, r, radius);
    }
    if (border.alpha() > 0) {
        p.setPen(QPen(border, 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(Rounded(outer.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5));
    }
    p.restore();
}

void TopHighlight(QPainter& p, const Theme& t, const QRect& r, int radius) {
    // The top row inside the border, fading out around the corners.
    p.save();
    p.setClipRect(QRect(r.left(), r.top() + 1, r.width(), 1));
    p.setPen(QPen(WithAlpha(Qt::white, t.highlight / 100.0), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(Rounded(QRectF(r).adjusted(1.5, 1.5, -1.5, -1.5), std::max(0, radius - 1)));
    p.restore();
}

void FlatFace(QPainter& p, const QRect& r, int radius, const QColor& fill, const QColor& border) {
    const QRectF outer(r);
    p.save();
    p.fillPath(Rounded(outer, radius), fill);
    if (border.alpha() > 0) {
        p.setPen(QPen(border, 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(Rounded(outer.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5));
    }
    p.restore();
}

void Glow(QPainter& p, const QRect& r, int radius, int spread, const QColor& color,
          double opacity) {
    p.save();
    p.setBrush(Qt::NoBrush);
    for (int i = spread; i >= 1; --i) {
        // Quadratic fall-off from the edge outwards.
        const double f = 1.0 - double(i - 1) / spread;
        p.setPen(QPen(WithAlpha(color, opacity / 100.0 * f * f), 1));
        const QRectF ring = QRectF(r).adjusted(-i + 0.5, -i + 0.5, i - 0.5, i - 0.5);
        p.drawPath(Rounded(ring, radius + i - 0.5));
    }
    p.restore();
}

void Glyph(QPainter& p, const QRectF& box, const QString& name, const QColor& color, double width) {
    p.save();
    QPen pen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QPointF c = box.center();
    const double s = std::min(box.width(), box.height()) / 2.0; // half size
    if (name == QLatin1String("options")) {
        // Three slider lines with their knobs at different places.
        const double xs[3] = {-0.35, 0.4, -0.05};
        for (int i = 0; i < 3; ++i) {
            const double y = c.y() + (i - 1) * s * 0.62;
            p.drawLine(QPointF(c.x() - s * 0.85, y), QPointF(c.x() + s * 0.85, y));
            p.setBrush(color);
            p.drawEllipse(QPointF(c.x() + xs[i] * s, y), s * 0.2, s * 0.2);
            p.setBrush(Qt::NoBrush);
        }
    } else if (name == QLatin1String("help") || name == QLatin1String("about")) {
        p.drawEllipse(c, s * 0.88, s * 0.88);
        if (name == QLatin1String("about")) {
            p.drawLine(QPointF(c.x(), c.y() - s * 0.05), QPointF(c.x(), c.y() + s * 0.45));
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawEllipse(QPointF(c.x(), c.y() - s * 0.38), width * 0.6, width * 0.6);
        } else {
            QPainterPath q;
            const double r = s * 0.28;
            const QPointF top(c.x(), c.y() - s * 0.25);
            q.arcMoveTo(QRectF(top.x() - r, top.y() - r, 2 * r, 2 * r), 160);
            q.arcTo(QRectF(top.x() - r, top.y() - r, 2 * r, 2 * r), 160, -230);
            q.quadTo(QPointF(c.x(), c.y() + s * 0.02), QPointF(c.x(), c.y() + s * 0.18));
            p.drawPath(q);
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawEllipse(QPointF(c.x(), c.y() + s * 0.48), width * 0.6, width * 0.6);
        }
    } else if (name == QLatin1String("minimize")) {
        p.drawLine(QPointF(c.x() - s * 0.6, c.y() + 0.5), QPointF(c.x() + s * 0.6, c.y() + 0.5));
    } else if (name == QLatin1String("exit")) {
        const double d = s * 0.55;
        p.drawLine(QPointF(c.x() - d, c.y() - d), QPointF(c.x() + d, c.y() + d));
        p.drawLine(QPointF(c.x() - d, c.y() + d), QPointF(c.x() + d, c.y() - d));
    } else if (name == QLatin1String("choose")) {
        const double d = s * 0.5;
        p.drawPolyline(
            QPolygonF({QPointF(c.x() - d, c.y() - d * 0.45), QPointF(c.x(), c.y() + d * 0.55),
                       QPointF(c.x() + d, c.y() - d * 0.45)}));
    }
    p.restore();
}

int SpacedText(QPainter& p, QPoint at, const QString& text, const QFont& font, const QColor& color,
               double spacing) {
    QFont f = font;
    f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    p.save();
    p.setFont(f);
    p.setPen(color);
    const QFontMetrics m(f);
    p.drawText(QPoint(at.x(), at.y() + m.ascent()), text);
    p.restore();
    return m.horizontalAdvance(text);
}

QImage Crop(const QImage& image, const QRect& r) {
    QImage out = NewImage(r.size());
    QPainter p(&out);
    p.drawImage(QPoint(0, 0), image, r);
    return out;
}

} // namespace skinart
