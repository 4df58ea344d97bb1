#include "common/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF face(s * 0.04, s * 0.04, s * 0.92, s * 0.92);
    painter.setPen(QPen(QColor(0x2e, 0x34, 0x42), std::max(1.0, s / 48)));
    painter.setBrush(QColor(0x17, 0x1a, 0x21));
    painter.drawRoundedRect(face, s * 0.2, s * 0.2);
    // A voice: a wave whose swing grows and fades across the face.
    QPainterPath wave;
    const int steps = 48;
    for (int i = 0; i <= steps; ++i) {
        const qreal t = static_cast<qreal>(i) / steps;
        const qreal envelope = std::sin(t * M_PI);
        const qreal x = s * (0.16 + 0.68 * t);
        const qreal y = s * 0.5 - s * 0.26 * envelope * std::sin(t * 3 * 2 * M_PI);
        if (i == 0)
            wave.moveTo(x, y);
        else
            wave.lineTo(x, y);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0x46, 0xe0, 0x8a), std::max(1.5, s / 14), Qt::SolidLine,
                        Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(wave);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x3f, 0xb6, 0xff));
    painter.drawEllipse(QPointF(s * 0.78, s * 0.22), s * 0.07, s * 0.07);
    return pixmap;
}

} // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(DrawIcon(size));
    return icon;
}
