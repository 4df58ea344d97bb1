#include "wizard/wizard_art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

const QColor kPanel(0x22, 0x27, 0x33);
const QColor kBorder(0x2e, 0x34, 0x42);
const QColor kSignal(0x46, 0xe0, 0x8a);

// A decaying chime-like trace across the width, centred at y.
QPainterPath SignalTrace(qreal width, qreal y, qreal amplitude) {
    QPainterPath path(QPointF(0, y));
    for (int x = 1; x <= static_cast<int>(width); ++x) {
        const qreal t = x / width;
        const qreal envelope = std::exp(-3.0 * t) * (0.3 + 0.7 * std::sin(3.14159 * t));
        path.lineTo(x, y - amplitude * envelope * std::sin(x * 0.35) * std::cos(x * 0.05));
    }
    return path;
}

} // namespace

QPixmap WizardBanner(const QSize& size) {
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, size.height());
    fill.setColorAt(0, kPanel.lighter(104));
    fill.setColorAt(1, kPanel);
    p.fillRect(pixmap.rect(), fill);
    p.setPen(kBorder);
    p.drawLine(0, size.height() - 1, size.width(), size.height() - 1);

    // The trace fades in from the left so that the page title stays readable over it.
    QLinearGradient fade(0, 0, size.width(), 0);
    QColor faint = kSignal;
    faint.setAlpha(0);
    fade.setColorAt(0.62, faint);
    faint.setAlpha(90);
    fade.setColorAt(1, faint);
    p.setPen(QPen(QBrush(fade), 1.5));
    p.drawPath(SignalTrace(size.width(), size.height() * 0.55, size.height() * 0.3));
    return pixmap;
}
