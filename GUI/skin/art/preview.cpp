// The composite previews: the background with every control drawn at its place in one state,
// with sample texts, list lines, slider positions and a trace, as the control panel shows them.
#include "art_paint.h"
#include "skin_builder.h"

#include <QPainterPath>

#include <cmath>

namespace skinart {

namespace {

// The state each radio-kind and push button shows in the "active" preview.
QString ActiveState(const Control& c) {
    static const std::map<QString, QString> kStates = {
        {QStringLiteral("ERadio1"), QStringLiteral("on_up")},
        {QStringLiteral("ERadio2"), QStringLiteral("mo")},
        {QStringLiteral("ERadio3"), QStringLiteral("do")},
        {QStringLiteral("SRadio1"), QStringLiteral("on_mo")},
        {QStringLiteral("SRadio2"), QStringLiteral("on_up")},
        {QStringLiteral("SRadio3"), QStringLiteral("on_do")},
        {QStringLiteral("EConfig1"), QStringLiteral("mo")},
        {QStringLiteral("SConfig2"), QStringLiteral("do")},
        {QStringLiteral("StopAll"), QStringLiteral("mo")},
        {QStringLiteral("Monitor"), QStringLiteral("on_up")},
        {QStringLiteral("DevLed"), QStringLiteral("on_da")},
        {QStringLiteral("Options"), QStringLiteral("mo")},
        {QStringLiteral("Exit"), QStringLiteral("do")},
    };
    const auto it = kStates.find(c.section);
    if (it != kStates.end()) {
        return it->second;
    }
    return c.style == Style::Led ? QStringLiteral("da") : QStringLiteral("up");
}

QString State(const Control& c, PreviewKind kind) {
    switch (kind) {
    case PreviewKind::Up:
        return c.style == Style::Led ? QStringLiteral("da") : QStringLiteral("up");
    case PreviewKind::Active:
        return ActiveState(c);
    case PreviewKind::Disabled:
        return c.section == QLatin1String("ERadio1") || c.section == QLatin1String("SRadio2")
                   ? QStringLiteral("on_da")
                   : QStringLiteral("da");
    }
    return QStringLiteral("up");
}

QImage WithoutKeyColour(const QImage& img, QRgb key) {
    QImage out = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            if ((out.pixel(x, y) & 0xffffff) == (key & 0xffffff)) {
                out.setPixel(x, y, 0);
            }
        }
    }
    return out;
}

} // namespace

QImage SkinBuilder::Preview(PreviewKind kind) const {
    const Theme& t = theme_;
    QImage img = background_.copy();
    QPainter p(&img);
    Prepare(p);
    int sampleValue = 0;
    for (const Control& c : layout_.controls) {
        if (c.onList) {
            continue;
        }
        const auto& pics = pictures_.at(c.section);
        const QString state = State(c, kind);
        switch (c.style) {
        case Style::Slot:
        case Style::Choose:
        case Style::Stop:
        case Style::Switch:
        case Style::WindowButton:
        case Style::Led: {
            p.drawImage(c.rect.topLeft(), pics.at(state));
            if (!c.caption.isEmpty()) {
                const bool on = state.startsWith(QLatin1String("on_"));
                QColor color = on ? t.onAccent : t.text;
                if (state == QLatin1String("da") || state == QLatin1String("on_da")) {
                    color = t.textDisabled;
                } else if (c.style == Style::Stop) {
                    color = state == QLatin1String("up") ? t.warning : t.onAccent;
                }
                p.setFont(t.Font(c.style == Style::Slot ? t.numberPx : t.captionPx, true));
                p.setPen(color);
                p.drawText(c.rect, Qt::AlignCenter, c.caption);
            }
            break;
        }
        case Style::Text:
            p.setFont(t.Font(t.labelPx));
            p.setPen(kind == PreviewKind::Disabled ? t.textDisabled : t.text);
            p.drawText(c.rect, Qt::AlignLeft | Qt::AlignVCenter,
                       QFontMetrics(p.font()).elidedText(c.sample, Qt::ElideRight, c.rect.width()));
            break;
        case Style::Slider: {
            const int len = c.vertical ? c.rect.height() : c.rect.width();
            const int values[] = {70, 35, 85, 60};
            const double v = values[sampleValue++ % 4] / 100.0;
            const QImage thumb = WithoutKeyColour(pics.at(QStringLiteral("thumb")), 0xff00ff);
            const int tl = c.vertical ? thumb.height() : thumb.width();
            const QImage& begin = pics.at(QStringLiteral("channel_begin"));
            const QImage& end = pics.at(QStringLiteral("channel_end"));
            p.drawImage(c.rect.topLeft(), pics.at(QStringLiteral("background")));
            p.drawImage(c.rect, pics.at(QStringLiteral("channel")));
            p.drawImage(c.rect.topLeft(), begin);
            const int along = int(std::lround((c.vertical ? 1.0 - v : v) * (len - tl)));
            if (c.vertical) {
                p.drawImage(c.rect.bottomLeft() - QPoint(0, end.height() - 1), end);
                p.drawImage(c.rect.topLeft() + QPoint(0, along), thumb);
            } else {
                p.drawImage(c.rect.topRight() - QPoint(end.width() - 1, 0), end);
                p.drawImage(c.rect.topLeft() + QPoint(along, 0), thumb);
            }
            break;
        }
        case Style::List: {
            const QFont f = t.Font(t.captionPx);
            const Control* choose = layout_.Find(QStringLiteral("EmoticConfig"));
            const int line = std::max(QFontMetrics(f).height() + 2, choose->rect.height());
            const QStringList names = c.sample.split(QLatin1Char('|'));
            p.setFont(f);
            for (int i = 0; i < names.size() && (i + 1) * line <= c.rect.height(); ++i) {
                const QRect r(c.rect.left(), c.rect.top() + i * line, c.rect.width(), line);
                QColor bg = t.well, fg = kind == PreviewKind::Disabled ? t.textDisabled : t.text;
                const bool active = kind == PreviewKind::Active;
                if (active && i == 2) {
                    bg = t.listCurrent;
                } else if (active && (i == 0 || i == 3)) {
                    bg = t.accent;
                    fg = t.onAccent;
                }
                p.fillRect(r, bg);
                p.setPen(fg);
                p.drawText(r.adjusted(6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, names[i]);
                if (active && i == 2) {
                    p.drawImage(QPoint(r.right() + 1 - choose->rect.width(), r.top()),
                                pictures_.at(choose->section).at(QStringLiteral("mo")));
                }
            }
            break;
        }
        case Style::Scope: {
            QPainterPath clip;
            clip.addRoundedRect(QRectF(c.rect), t.smallRadius, t.smallRadius);
            p.save();
            p.setClipPath(clip);
            p.fillRect(c.rect, t.signalBackground);
            QPainterPath trace;
            const double mid = c.rect.center().y() + 0.5;
            for (int x = 0; x <= c.rect.width(); ++x) {
                const double ph = x / 9.0;
                const double env = kind == PreviewKind::Active ? 1.0 : 0.06;
                const double y = mid - env * c.rect.height() * 0.32 *
                                           (std::sin(ph) * 0.7 + std::sin(ph * 2.7) * 0.3) *
                                           std::sin(M_PI * x / c.rect.width());
                const QPointF pt(c.rect.left() + x, y);
                x == 0 ? trace.moveTo(pt) : trace.lineTo(pt);
            }
            p.setPen(QPen(t.signal, 1.25));
            p.setBrush(Qt::NoBrush);
            p.drawPath(trace);
            p.restore();
            break;
        }
        }
    }
    return img;
}

} // namespace skinart
