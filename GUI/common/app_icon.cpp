#include "common/app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace {

const QColor kBorder(0x2e, 0x34, 0x42);
const QColor kFace(0x2b, 0x31, 0x40);
const QColor kAccent(0x3f, 0xb6, 0xff);
const QColor kSignal(0x46, 0xe0, 0x8a);

} // namespace

QPixmap AppLogo(int side) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = side;

    // The raised face: a rounded square, slightly lighter at the top, highlight on the top edge.
    const QRectF face(1, 1, s - 2, s - 2);
    QLinearGradient fill(0, 0, 0, s);
    fill.setColorAt(0, kFace.lighter(106));
    fill.setColorAt(1, kFace);
    p.setPen(QPen(kBorder, 1));
    p.setBrush(fill);
    p.drawRoundedRect(face, s * 0.12, s * 0.12);
    p.setPen(QPen(kFace.lighter(125), 1));
    p.drawLine(QPointF(s * 0.15, 1.5), QPointF(s * 0.85, 1.5));

    // The microphone in the accent colour: capsule, cradle and stand as line glyphs.
    const qreal line = std::max<qreal>(1.5, s / 28);
    p.setPen(QPen(kAccent, line, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QRectF capsule(s * 0.39, s * 0.18, s * 0.22, s * 0.38);
    p.drawRoundedRect(capsule, s * 0.11, s * 0.11);
    QPainterPath cradle;
    cradle.moveTo(s * 0.30, s * 0.42);
    cradle.cubicTo(s * 0.30, s * 0.70, s * 0.70, s * 0.70, s * 0.70, s * 0.42);
    p.drawPath(cradle);
    p.drawLine(QPointF(s * 0.5, s * 0.64), QPointF(s * 0.5, s * 0.78));
    p.drawLine(QPointF(s * 0.38, s * 0.78), QPointF(s * 0.62, s * 0.78));

    // Sound leaving it, in the signal colour.
    p.setPen(QPen(kSignal, line, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 2; ++i) {
        const qreal r = s * (0.12 + 0.08 * i);
        const QRectF arc(s * 0.5 - r * 0.2 + s * 0.18, s * 0.37 - r, r * 2, r * 2);
        p.drawArc(arc.translated(-r, 0), -40 * 16, 80 * 16);
    }
    return pixmap;
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(AppLogo(size));
    return icon;
}
